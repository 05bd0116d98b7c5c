// Opening files and addresses through the desktop, and the error boxes that explain
// a failure.
#include <QTemporaryDir>
#include <QtTest>

#include "shell/MessageBoxes.h"
#include "shell/ShellEx.h"
#include "tests/gui/support/Watchdog.h"

using namespace solvara;

namespace {

struct Box {
  BoxKind kind;
  QString text;
};

const QString kTailA = QStringLiteral(
    "\r\rTry running a disk maintenance program such as\r"
    "Scandisk.  If the problem persists, you may have to reinstall.\r");
const QString kTailB = QStringLiteral(
    "\r\rClose any other program that may be using the file and try again.Try restarting your "
    "machine as a means of unloading any other program\rthat may be using this file.");

}  // namespace

class TestShellEx : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    boxes_.clear();
    launched_.clear();
    SetMessagePresenter([this](QWidget*, BoxKind kind, const QString& text) {
      boxes_.append({kind, text});
    });
  }
  void cleanup() {
    SetMessagePresenter({});
    SetShellLauncher({});
  }

  void reportedFailuresShowTheirText_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    const QString file = QStringLiteral("/home/ann/reports/Results.htm");
    QTest::newRow("0 out of resources")
        << 0 << file
        << QStringLiteral(
               "The operating system is out of memory or resources.\r\rTry closing some programs "
               "you have running\rbefore attempting to run this program.");
    QTest::newRow("2 file not found")
        << 2 << file << QStringLiteral("The file could not be found.\r\rFile: ") + file + kTailA;
    QTest::newRow("3 path not found: the folder part only")
        << 3 << file
        << QStringLiteral("The path could not be found.\r\rPath: /home/ann/reports/") + kTailA;
    QTest::newRow("3 with no folder part")
        << 3 << QStringLiteral("Results.htm")
        << QStringLiteral("The path could not be found.\r\rPath: ") + kTailA;
    QTest::newRow("5 access denied")
        << 5 << file
        << QStringLiteral(
               "The operating system has denied you access to the following file :\r\r") +
               file + kTailB;
    QTest::newRow("11 bad format")
        << 11 << file
        << QStringLiteral("The Program file you are trying to call has become corrupted.\r\r\r") +
               file + kTailA;
    QTest::newRow("26 sharing violation")
        << 26 << file
        << QStringLiteral(
               "There was a sharing violation whilst attempting to run the\rfollowing file : "
               "\r\r") +
               file + kTailB;
    QTest::newRow("27 association incomplete")
        << 27 << file
        << QStringLiteral("The filename association is incomplete or invalid.\r\r\r") + file +
               kTailA;
  }
  void reportedFailuresShowTheirText() {
    QFETCH(int, code);
    QFETCH(QString, name);
    QFETCH(QString, message);
    QCOMPARE(ShellErrorText(code, name), message);

    SetShellLauncher([&](const QString& text) {
      launched_.append(text);
      return code;
    });
    QVERIFY(!ShellOpen(name));
    QCOMPARE(launched_, QStringList{name});
    QCOMPARE(boxes_.size(), 1);
    QVERIFY(boxes_[0].kind == BoxKind::Error);
    // Shown with its carriage returns as line breaks.
    QCOMPARE(boxes_[0].text, QString(message).replace(QLatin1Char('\r'), QLatin1Char('\n')));
  }

  void otherCodesAreSilentSuccess_data() {
    QTest::addColumn<int>("code");
    for (int code : {31, 1, 4, 12, 30, 33}) {
      QTest::addRow("%d", code) << code;
    }
  }
  void otherCodesAreSilentSuccess() {
    QFETCH(int, code);
    SetShellLauncher([code](const QString&) { return code; });
    QVERIFY(ShellOpen(QStringLiteral("mailto:someone@example.org")));
    QVERIFY(boxes_.isEmpty());
    QVERIFY(ShellErrorText(code, QStringLiteral("x")).isEmpty());
  }

  // The desktop launcher looks at local paths itself before it hands them on.
  void desktopLaunchExplainsMissingPaths() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QCOMPARE(DesktopLaunch(dir.filePath(QStringLiteral("missing.htm"))), int(kShellFileNotFound));
    QCOMPARE(DesktopLaunch(dir.filePath(QStringLiteral("no-folder/missing.htm"))),
             int(kShellPathNotFound));
    QCOMPARE(
        DesktopLaunch(QUrl::fromLocalFile(dir.filePath(QStringLiteral("missing.htm"))).toString()),
        int(kShellFileNotFound));
    // A path through a file, as if it were a folder.
    QFile plain(dir.filePath(QStringLiteral("plain.txt")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    QCOMPARE(DesktopLaunch(dir.filePath(QStringLiteral("plain.txt/inside.htm"))),
             int(kShellPathNotFound));
  }

 private:
  QList<Box> boxes_;
  QStringList launched_;
  Watchdog watchdog_{"tst_shellex", std::chrono::seconds(60)};
};

QTEST_MAIN(TestShellEx)
#include "tst_shellex.moc"
