// The application shell: main window and page switching, the news page's check and the
// language code of its file, the About box, and the desktop launcher's error boxes.
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTextDocument>
#include <QToolButton>
#include <QtTest>
#include <tuple>

#include <signal.h>

#include <cerrno>

#include "SolvaraConfig.h"
#include "globals.h"
#include "platform/HomePage.h"
#include "platform/JpegImage.h"
#include "platform/MessageBoxes.h"
#include "questionnaire/form/frmSolvara1.h"
#include "shell/CodePageU.h"
#include "shell/FormU.h"
#include "shell/ShellEx.h"
#include "shell/aboutform.h"
#include "shell/browser/BrowserU.h"
#include "shell/frmNews.h"
#include "tests/gui/support/Controls.h"
#include "tests/gui/support/LocalHttpServer.h"

using namespace solvara;
using namespace Qt::StringLiterals;
using State = TNewsForm::TNewsState;

namespace {

QString NewsPath() {
  return u"/news100/"_s + AppendLanguageCode(u"news"_s) + u".htm"_s;
}

TWebBrowser* View(const QObject* page) {
  return Child<TWebBrowser>(page, "WebBrowser");
}

bool ShowsBuiltIn(const TNewsForm& page) {
  return View(&page)->View()->toPlainText().contains("Thank you for using Solvara"_L1);
}

}  // namespace

class TestMainForm : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY(server_.Start());
    server_.SetResponse(u"/news100/other.htm"_s, 200, "<p>Other</p>");
    server_.SetResponse(NewsPath().replace(9, 4, u"NEWS"_s), 200, "<p>Upper</p>");
    Q_INIT_RESOURCE(solvara);
    SetMessagePresenter([this](QWidget* parent, BoxKind kind, const QString& text) {
      // A news page shows the browser's address before it loads the built-in page.
      if (auto* page = qobject_cast<TNewsForm*>(parent)) {
        QCOMPARE(text, View(page)->Url());
        QVERIFY(!ShowsBuiltIn(*page));
      }
      boxes_.append(QStringList{u"Plain"_s, u"Info"_s, u"Error"_s}.at(int(kind)) + u": "_s + text);
    });
    SetShellLauncher([this](const QString& name) {
      launched_.append(name);
      return result_;
    });
  }
  void init() {
    helpDown_ = false;
    boxes_.clear();
    launched_.clear();
    result_ = kShellSuccess;
    server_.SetSilent(false);
    server_.SetResponse(NewsPath(), 200, "<p>Fresh news</p>");
    SetHomePageAddressForTesting(server_.Url(QString()).toString());
  }
  void cleanup() { window_.reset(); }

  void buttonBarSwitchesPages() {
    // The help file is looked up beside the program (whatever the current folder: the
    // real-window run, which starts the program elsewhere and reads the real one).
    QCOMPARE(TMainForm::HelpFilePath(u"/"_s), u"/help.htm"_s);
    const QString beside = QCoreApplication::applicationDirPath() + u"/help.htm"_s;
    QFile file(beside);
    QVERIFY(!file.exists() && file.open(QIODevice::WriteOnly) && file.write("<p>Help</p>") > 0);
    file.close();
    const auto restore = qScopeGuard([&] { QFile::remove(beside); });

    TMainForm& w = Window();
    auto* newsBtn = Child<QToolButton>(&w, "NewsBtn");
    auto* singleSearchBtn = Child<QToolButton>(&w, "SingleSearchBtn");
    auto* helpBtn = Child<QToolButton>(&w, "HelpBtn");
    const auto news = [&w] { return w.findChild<TNewsForm*>(); };
    const auto form = [&w] { return w.findChild<TSolvaraForm*>(); };
    QCOMPARE(w.windowTitle(), u"Solvara"_s);
    QVERIFY(news() && news()->isVisible() && !form());
    QVERIFY(newsBtn->isChecked() && !singleSearchBtn->isChecked() && !helpBtn->isChecked());
    QCOMPARE(news()->geometry(), Child<QWidget>(&w, "MainPanel")->rect());
    QTRY_COMPARE(news()->State(), State::Accepted);
    QCOMPARE(server_.Requests().last(), NewsPath().toLatin1());

    QTest::mouseClick(singleSearchBtn, Qt::LeftButton);
    QPointer<TSolvaraForm> first = form();
    QVERIFY(first && !news() && singleSearchBtn->isChecked() && !newsBtn->isChecked());
    Child<QLineEdit>(first, "edSalary")->setText(u"24000"_s);
    QTest::mouseClick(singleSearchBtn, Qt::LeftButton);
    QVERIFY(form() == first && Child<QLineEdit>(first, "edSalary")->text() == u"24000"_s);
    QTest::mouseClick(helpBtn, Qt::LeftButton);
    QVERIFY(!first && news());  // destroyed, not hidden
    QTest::mouseClick(singleSearchBtn, Qt::LeftButton);
    QVERIFY(form() && !news() && Child<QLineEdit>(form(), "edSalary")->text().isEmpty());
    QVERIFY(MouseHookHandle != nullptr);

    // Help, then News: one page object; the button that is down still runs its command.
    QTest::mouseClick(helpBtn, Qt::LeftButton);
    QPointer<TNewsForm> page = news();
    QTRY_COMPARE(View(page)->Url(), beside);
    const auto asked = server_.Requests().size();
    for (int click = 1; click <= 2; ++click) {
      QTest::mouseClick(newsBtn, Qt::LeftButton);
      QCOMPARE(news(), page);
      QTRY_COMPARE(server_.Requests().size(), asked + click);
      QCOMPARE(server_.Requests().last(), NewsPath().toLatin1());
    }
    // The bar's arrow keys move along it and run the command of the button they reach.
    QVERIFY(QTest::qWaitForWindowActive(&w));
    newsBtn->setFocus();
    QTest::keyClick(newsBtn, Qt::Key_Down);
    QVERIFY(singleSearchBtn->hasFocus() && singleSearchBtn->isChecked() && form());
    QVERIFY(boxes_.isEmpty());
  }

  void menuCommands() {
    TMainForm& w = Window();
    QList<QPointer<Taboutfrm>> seen;
    for (int round = 0; round < 2; ++round) {
      QTimer::singleShot(50, this, [&] {
        auto* box = qobject_cast<Taboutfrm*>(QApplication::activeModalWidget());
        QVERIFY(box != nullptr && box->parentWidget() == &w);
        seen.append(box);
        Child<QAction>(&w, "actAbout")->trigger();  // asked again while it is up: no second box
        QTest::mouseClick(Child<QPushButton>(box, "Button1"), Qt::LeftButton);
      });
      Child<QAction>(&w, "actAbout")->trigger();
    }
    // A new box each time, gone as soon as it closed.
    QVERIFY(seen.size() == 2 && !seen[0] && !seen[1] && !w.findChild<Taboutfrm*>());
    Child<QAction>(&w, "actWebsite")->trigger();
    QCOMPARE(launched_, QStringList{HomePageAddress()});
    QPointer<TNewsForm> page = w.findChild<TNewsForm*>();
    Child<QAction>(&w, "actExit")->trigger();
    QVERIFY(!w.isVisible());
    window_.reset();
    QVERIFY(!page && MouseHookHandle == nullptr);
  }

  void languageCodeFollowsTheLocale() {
    QCOMPARE(AppendLanguageCode(u"news"_s, QLocale(u"en_GB"_s)), u"news0809"_s);
    QCOMPARE(AppendLanguageCode(u"NEWS"_s, QLocale(u"es_ES"_s)), u"NEWS0c0a"_s);
    QCOMPARE(AppendLanguageCode(u"NEWS"_s, QLocale::c()), u"NEWSopt"_s);
    SetHomePageAddressForTesting(u"http://x"_s);
    QCOMPARE(TNewsForm::NewsAddress(QLocale(u"es_ES"_s)), u"http://x/news100/news0c0a.htm"_s);
    QCOMPARE(TNewsForm::ExpectedFileName(QLocale::c()), u"NEWSOPT.HTM"_s);

    // A row for a locale Qt does not have, or one hidden behind an earlier row, never
    // gives its identifier; the four left out have no locale of their own here.
    QSet<QString> produced;
    for (const LanguageIdEntry& row : LanguageIdTable()) {
      const QLocale locale(row.language, row.script, row.territory);
      QVERIFY2(locale.language() == row.language && locale.territory() == row.territory &&
                   LanguageIdFor(locale) == row.id,
               qPrintable(QString::number(row.id, 16)));
      produced.insert(AppendLanguageCode(QString(), locale));
    }
    QCOMPARE(produced + QSet<QString>({u"0000"_s, u"0400"_s, u"040a"_s, u"0812"_s}),
             QSet<QString>(KnownLanguageList().begin(), KnownLanguageList().end()));
  }

  void newsCheckDecides_data() {
    QTest::addColumn<int>("status");  // of the news file; 0: nobody listens
    QTest::addColumn<QString>("asked");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("news file") << 200 << NewsPath() << true;
    QTest::newRow("other case") << 200 << NewsPath().replace(9, 4, u"NEWS"_s) << true;
    QTest::newRow("after #") << 200 << u"/news100/other.htm#"_s + NewsPath().mid(9) << true;
    QTest::newRow("after ?") << 200 << u"/news100/other.htm?f="_s + NewsPath().mid(9) << true;
    QTest::newRow("another news file") << 200 << u"/news100/newsold.htm"_s << false;
    QTest::newRow("missing news file") << 404 << NewsPath() << false;
    QTest::newRow("refused connection") << 0 << NewsPath() << false;
  }
  void newsCheckDecides() {
    QFETCH(int, status);
    QFETCH(QString, asked);
    QFETCH(bool, accepted);
    server_.SetResponse(NewsPath(), status, "<p>Fresh news</p>");
    server_.SetResponse(asked, status, "<p>Fresh news</p>");
    if (status == 0) {  // a port that was free a moment ago
      QTcpServer closed;
      closed.listen(QHostAddress::LocalHost);
      SetHomePageAddressForTesting(u"http://127.0.0.1:%1"_s.arg(closed.serverPort()));
    }
    auto page = MakePage();
    View(page.get())->Navigate(HomePageAddress() + asked);
    const State decided = accepted ? State::Accepted : State::BuiltIn;
    QTRY_COMPARE(page->State(), decided);
    // A page that did load is named by its own address, one that did not by the error page's.
    const QStringList box{u"Plain: "_s + (status == 200 ? HomePageAddress() + asked
                                                        : TWebBrowser::kErrorPageAddress)};
    QCOMPARE(boxes_, accepted ? QStringList() : box);
    QCOMPARE(ShowsBuiltIn(*page), !accepted);
    if (!accepted) {
      const QByteArray builtIn =
          "<html><h1><a target=\"_blank\" href=\"" + HomePageAddress().toUtf8() +
          "\">Solvara</a></h1><p><b>Thank you for using Solvara</b><br><br>An internet connection "
          "is required only to view this news page.</html>";
      QCOMPARE(TNewsForm::BuiltInNewsPage(), builtIn);
      QTextDocument expected;
      expected.setHtml(QString::fromUtf8(builtIn));
      QCOMPARE(View(page.get())->View()->toPlainText(), expected.toPlainText());
    }
    // News again, now with the opposite outcome: shown as it comes, unchecked.
    server_.SetResponse(NewsPath(), accepted ? 404 : 200, "<p>Second news</p>");
    QSignalSpy completions(View(page.get()), &TWebBrowser::DocumentComplete);
    View(page.get())->Navigate(TNewsForm::NewsAddress());
    QVERIFY(completions.wait(10000));
    QCOMPARE(page->State(), decided);
    QCOMPARE(boxes_, accepted ? QStringList() : box);
    QVERIFY(!ShowsBuiltIn(*page));
  }

  void helpBeforeTheNewsCompletesLeavesTheCheckWaiting() {
    server_.SetSilent(true);
    const auto asked = server_.Requests().size();
    auto page = MakePage();
    View(page.get())->Navigate(TNewsForm::NewsAddress());
    QTRY_COMPARE(server_.Requests().size(), asked + 1);
    helpDown_ = true;
    QSignalSpy completions(View(page.get()), &TWebBrowser::DocumentComplete);
    View(page.get())->Navigate(u"/nowhere/help.htm"_s);
    QVERIFY(completions.wait(10000));
    QCOMPARE(page->State(), State::Watching);
    server_.SetSilent(false);
    helpDown_ = false;
    View(page.get())->Navigate(TNewsForm::NewsAddress());
    QTRY_COMPARE(page->State(), State::Accepted);
    QVERIFY(boxes_.isEmpty());
  }

  void aboutBoxAndItsBanner() {
    Taboutfrm box;
    auto* lblVersion = Child<QLabel>(&box, "lblVersion");
    auto* lblWebsite = Child<QLabel>(&box, "lblWebsite");
    auto* lblEmail = Child<QLabel>(&box, "lblEmail");
    auto* image = Child<QLabel>(&box, "Image1");
    QCOMPARE(box.windowTitle(), u"About Solvara"_s);
    QCOMPARE(lblVersion->text(), u"Version 1.00"_s);
    QCOMPARE(lblWebsite->text(), u"" SOLVARA_WEB_HOST ""_s);
    QCOMPARE(lblEmail->text(), u"" SOLVARA_SUPPORT_EMAIL ""_s);
    const QImage picture = image->pixmap().toImage();  // dark at the left, light at the right
    QCOMPARE(picture.size(), QSize(348, 52));
    QVERIFY(qGray(picture.pixel(2, 45)) < qGray(picture.pixel(345, 45)));
    box.show();
    QTest::mouseClick(lblWebsite, Qt::LeftButton);
    QTest::mouseClick(lblEmail, Qt::LeftButton);
    QTest::mouseClick(lblEmail, Qt::RightButton);
    QCOMPARE(launched_, (QStringList{HomePageAddress(),
                                     u"mailto:" SOLVARA_SUPPORT_EMAIL "?subject=Version1.00"_s}));
    QVERIFY(box.isVisible() && boxes_.isEmpty());
    QTest::mouseClick(Child<QPushButton>(&box, "Button1"), Qt::LeftButton);
    QVERIFY(!box.isVisible() && box.result() == QDialog::Accepted);

    // A damaged banner leaves the box without one, and nothing worse.
    QFile file(u":/banner.jpg"_s);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray banner = file.readAll();
    const qsizetype frame = banner.indexOf("\xff\xc0") + 5;  // the frame's height and width
    QVERIFY(frame > 5);
    const QByteArray damaged[] = {QByteArray(), "GIF89a, not a JPEG",
                                  banner.left(banner.size() / 2),
                                  QByteArray(banner).replace(frame, 4, QByteArray(4, '\0')),
                                  QByteArray(banner).replace(frame, 4, QByteArray(4, '\xff'))};
    for (const QByteArray& bytes : damaged) {
      box.SetBanner(bytes);
      QVERIFY(DecodeJpeg(bytes).isNull() && image->pixmap().isNull());
      QCOMPARE(lblVersion->text(), u"Version 1.00"_s);
    }
  }

#define FILE_NAME "/home/ann/reports/Results.htm"
#define TAIL_A                                                                                   \
  "\r\rTry running a disk maintenance program such as\rScandisk.  If the problem persists, you " \
  "may have to reinstall.\r"
#define TAIL_B                                                                                \
  "\r\rClose any other program that may be using the file and try again.Try restarting your " \
  "machine as a means of unloading any other program\rthat may be using this file."
  void shellOpenExplainsFailures() {
    const std::tuple<int, const char*, const char*> cases[] = {
        {0, FILE_NAME,
         "The operating system is out of memory or resources.\r\rTry closing some programs you "
         "have running\rbefore attempting to run this program."},
        {2, FILE_NAME, "The file could not be found.\r\rFile: " FILE_NAME TAIL_A},
        {3, FILE_NAME, "The path could not be found.\r\rPath: /home/ann/reports/" TAIL_A},
        {3, "Results.htm", "The path could not be found.\r\rPath: " TAIL_A},
        {5, FILE_NAME,
         "The operating system has denied you access to the following file :\r\r" FILE_NAME TAIL_B},
        {11, FILE_NAME,
         "The Program file you are trying to call has become corrupted.\r\r\r" FILE_NAME TAIL_A},
        {26, FILE_NAME,
         "There was a sharing violation whilst attempting to run the\rfollowing file : "
         "\r\r" FILE_NAME TAIL_B},
        {27, FILE_NAME,
         "The filename association is incomplete or invalid.\r\r\r" FILE_NAME TAIL_A}};
    for (const int code : {1, 4, 12, 30, 31, 33}) {
      result_ = code;
      QVERIFY(ShellOpen(u"mailto:a@example.org"_s) && ShellErrorText(code, u"x"_s).isEmpty());
    }
    QVERIFY(boxes_.isEmpty());
    for (const auto& [code, file, text] : cases) {
      init();
      result_ = code;
      const QString name = QString::fromLatin1(file), message = QString::fromLatin1(text);
      QCOMPARE(ShellErrorText(code, name), message);
      QVERIFY(!ShellOpen(name));  // shown with line feeds, where message boxes break lines
      QCOMPARE(launched_, QStringList{name});
      QCOMPARE(boxes_, QStringList{u"Error: "_s + QString(message).replace(u'\r', u'\n')});
    }
    // The desktop launcher checks a local path itself before it hands it on.
    QTemporaryDir dir;
    QCOMPARE(DesktopLaunch(dir.filePath(u"missing.htm"_s)), int(kShellFileNotFound));
    QCOMPARE(DesktopLaunch(u"file://"_s + dir.filePath(u"a.htm"_s)), int(kShellFileNotFound));
    QCOMPARE(DesktopLaunch(dir.filePath(u"no/missing.htm"_s)), int(kShellPathNotFound));
    QCOMPARE(DesktopLaunch(QCoreApplication::applicationFilePath() + u"/a.htm"_s),
             int(kShellPathNotFound));
  }

  // The opener is the first xdg-open on the PATH: here a script that ends as the row
  // says.
  void desktopOpenerNeverHoldsTheWindow_data() {
    QTest::addColumn<QString>("ending");
    QTest::addColumn<int>("code");
    QTest::newRow("opened") << u"exit 0"_s << int(kShellSuccess);
    QTest::newRow("file missing") << u"exit 2"_s << int(kShellFileNotFound);
    QTest::newRow("no tool") << u"exit 3"_s << int(kShellNoAssociation);
    // It fails, but only after a second, long after the window has stopped waiting.
    QTest::newRow("still running") << u"sleep 1; exit 3"_s << int(kShellSuccess);
  }
  void desktopOpenerNeverHoldsTheWindow() {
    QFETCH(QString, ending);
    QFETCH(int, code);
    QTemporaryDir dir;
    const QString opener = dir.filePath(u"xdg-open"_s);
    QFile script(opener);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\necho \"$$ $1\" >\"$0.args\"\n" + ending.toUtf8() + "\n");
    script.close();
    QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
    const QByteArray path = qgetenv("PATH");
    const auto restore = qScopeGuard([&] { qputenv("PATH", path); });
    qputenv("PATH", dir.path().toUtf8() + ":/usr/bin:/bin");

    const QString address = u"https://example.org/a?b=c d"_s;
    QCOMPARE(DesktopLaunch(address), code);
    QFile args(opener + u".args"_s);
    QTRY_VERIFY(args.size() > 0);
    QVERIFY(args.open(QIODevice::ReadOnly));
    const QString line = QString::fromUtf8(args.readAll()).trimmed();
    QCOMPARE(line.section(u' ', 1), address);
    // Gone when it ends, and reaped: no QProcess left and no zombie.
    QTRY_VERIFY(qApp->findChildren<QProcess*>().isEmpty());
    const int pid = line.section(u' ', 0, 0).toInt();
    QVERIFY(pid > 0 && ::kill(pid, 0) == -1 && errno == ESRCH);
  }

 private:
  TMainForm& Window() {
    window_ = std::make_unique<TMainForm>();
    window_->show();
    return *window_;
  }
  std::unique_ptr<TNewsForm> MakePage() {
    return std::make_unique<TNewsForm>([this] { return helpDown_; });
  }

  LocalHttpServer server_;
  bool helpDown_ = false;
  QStringList boxes_;
  QStringList launched_;
  int result_ = kShellSuccess;
  std::unique_ptr<TMainForm> window_;
};

QTEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
