// The main window: its start, the button bar's page switching, the help file beside
// the program, and the menu commands.
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <memory>

#include "globals.h"
#include "questionnaire/frmSolvara1.h"
#include "shell/BrowserU.h"
#include "shell/CodePageU.h"
#include "shell/FormU.h"
#include "shell/HomePage.h"
#include "shell/MessageBoxes.h"
#include "shell/ShellEx.h"
#include "shell/aboutform.h"
#include "shell/frmNews.h"
#include "tests/gui/support/LocalHttpServer.h"
#include "tests/gui/support/Watchdog.h"

using namespace solvara;

namespace {

QString NewsPath() {
  return QStringLiteral("/news100/") + AppendLanguageCode(QStringLiteral("news")) +
         QStringLiteral(".htm");
}

}  // namespace

class TestMainForm : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY(server_.Start());
    server_.SetResponse(NewsPath(), 200, "<p>Fresh news</p>");
    SetHomePageAddressForTesting(server_.Url(QString()).toString());
    SetMessagePresenter([this](QWidget*, BoxKind, const QString& text) { boxes_.append(text); });
    SetShellLauncher([this](const QString& name) {
      launched_.append(name);
      return int(kShellSuccess);
    });
  }
  void cleanupTestCase() {
    SetMessagePresenter({});
    SetShellLauncher({});
    SetHomePageAddressForTesting(QString());
  }

  void init() {
    boxes_.clear();
    launched_.clear();
    window_ = std::make_unique<TMainForm>();
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
  }
  void cleanup() { window_.reset(); }

  void startsOnTheNewsPage() {
    TMainForm& w = *window_;
    QCOMPARE(w.windowTitle(), QStringLiteral("Solvara"));
    QVERIFY(w.NewsForm);
    QVERIFY(w.NewsForm->isVisible());
    QVERIFY(!w.SolvaraForm);
    QVERIFY(w.NewsBtn->isChecked());
    QVERIFY(!w.SingleSearchBtn->isChecked() && !w.HelpBtn->isChecked());
    QCOMPARE(w.NewsForm->parentWidget(), w.MainPanel);
    QCOMPARE(w.NewsForm->geometry(), w.MainPanel->rect());
    // The news address was asked for and accepted.
    QTRY_COMPARE(w.NewsForm->State(), TNewsForm::TNewsState::Accepted);
    QVERIFY(server_.RequestLines().last().contains(NewsPath().toLatin1()));
    QVERIFY(boxes_.isEmpty());
  }

  void windowIsLaidOutAsDesigned() {
    TMainForm& w = *window_;
    QCOMPARE(w.size(), QSize(640, 394));
    QCOMPARE(w.MainPanel->size(), QSize(543, 370));
    QCOMPARE(w.VersionPanel->geometry().bottom(), w.MainLeftPanel->rect().bottom());
    const Qt::WindowFlags flags = w.windowFlags();
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
  }

  void questionnaireComesBackEmptyAfterHelp() {
    TMainForm& w = *window_;
    QTest::mouseClick(w.SingleSearchBtn, Qt::LeftButton);
    QPointer<TSolvaraForm> first = w.SolvaraForm;
    QVERIFY(first);
    QVERIFY(!w.NewsForm);
    QVERIFY(w.SingleSearchBtn->isChecked() && !w.NewsBtn->isChecked());
    first->tbAge->setValue(40);
    first->edSalary->setText(QStringLiteral("24000"));

    QTest::mouseClick(w.HelpBtn, Qt::LeftButton);
    QVERIFY(!first);  // destroyed, not hidden
    QVERIFY(w.NewsForm);

    QTest::mouseClick(w.SingleSearchBtn, Qt::LeftButton);
    QVERIFY(w.SolvaraForm);
    QVERIFY(!w.NewsForm);
    QCOMPARE(w.SolvaraForm->tbAge->value(), w.SolvaraForm->tbAge->minimum());
    QVERIFY(w.SolvaraForm->edSalary->text().isEmpty());
    QVERIFY(MouseHookHandle != nullptr);
  }

  void startCheckTwiceKeepsTheAnswers() {
    TMainForm& w = *window_;
    QTest::mouseClick(w.SingleSearchBtn, Qt::LeftButton);
    QPointer<TSolvaraForm> page = w.SolvaraForm;
    page->edSalary->setText(QStringLiteral("31000"));
    QTest::mouseClick(w.SingleSearchBtn, Qt::LeftButton);
    QVERIFY(w.SingleSearchBtn->isChecked());
    QCOMPARE(w.SolvaraForm, page);
    QCOMPARE(page->edSalary->text(), QStringLiteral("31000"));
  }

  void helpThenNewsKeepsThePage() {
    TMainForm& w = *window_;
    QTRY_COMPARE(w.NewsForm->State(), TNewsForm::TNewsState::Accepted);
    QPointer<TNewsForm> page = w.NewsForm;
    QTest::mouseClick(w.HelpBtn, Qt::LeftButton);
    QCOMPARE(w.NewsForm, page);
    QTRY_COMPARE(page->WebBrowser->ReadyState(), int(TWebBrowser::kReadyStateComplete));

    const int asked = server_.Requests().size();
    QTest::mouseClick(w.NewsBtn, Qt::LeftButton);
    QCOMPARE(w.NewsForm, page);
    QTRY_COMPARE(server_.Requests().size(), asked + 1);
    QVERIFY(server_.RequestLines().last().contains(NewsPath().toLatin1()));

    // The button that is down runs its command again when clicked.
    QTest::mouseClick(w.NewsBtn, Qt::LeftButton);
    QVERIFY(w.NewsBtn->isChecked());
    QTRY_COMPARE(server_.Requests().size(), asked + 2);
    QVERIFY(boxes_.isEmpty());
  }

  void helpFileComesFromTheProgramsFolder() {
    QCOMPARE(TMainForm::HelpFilePath(QStringLiteral("/")), QStringLiteral("/help.htm"));
    QCOMPARE(TMainForm::HelpFilePath(QStringLiteral("/opt/solvara")),
             QStringLiteral("/opt/solvara/help.htm"));

    // A help file beside this test program, and a decoy in the current folder.
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/help.htm");
    QVERIFY(!QFile::exists(beside));
    QFile real(beside);
    QVERIFY(real.open(QIODevice::WriteOnly));
    real.write("<p>Help beside the program</p>");
    real.close();
    QTemporaryDir elsewhere;
    QFile decoy(elsewhere.filePath(QStringLiteral("help.htm")));
    QVERIFY(decoy.open(QIODevice::WriteOnly));
    decoy.write("<p>Decoy</p>");
    decoy.close();
    const QString previous = QDir::currentPath();
    QDir::setCurrent(elsewhere.path());

    TMainForm& w = *window_;
    QTest::mouseClick(w.HelpBtn, Qt::LeftButton);
    QTRY_COMPARE(w.NewsForm->WebBrowser->Url(), beside);
    const QString shown = w.NewsForm->WebBrowser->View()->toPlainText();
    QDir::setCurrent(previous);
    QFile::remove(beside);
    QVERIFY(shown.contains(QLatin1String("Help beside the program")));
    QVERIFY(boxes_.isEmpty());
  }

  void buildPutsTheHelpFileBesideTheProgram() {
    const QByteArray buildDir = qgetenv("SOLVARA_BUILD_DIR");
    if (buildDir.isEmpty()) {
      QSKIP("SOLVARA_BUILD_DIR is not set");
    }
    QVERIFY(QFile::exists(QString::fromLocal8Bit(buildDir) + QStringLiteral("/solvara")));
    QFile help(QString::fromLocal8Bit(buildDir) + QStringLiteral("/help.htm"));
    QVERIFY(help.open(QIODevice::ReadOnly));
    const QByteArray text = help.readAll();
    QVERIFY(text.contains("<title>Solvara Help</title>"));
  }

  void aboutBoxIsModalAndNewEachTime() {
    TMainForm& w = *window_;
    QList<QPointer<Taboutfrm>> seen;
    bool mainBlocked = false;
    const auto closeBox = [&] {
      auto* box = qobject_cast<Taboutfrm*>(QApplication::activeModalWidget());
      if (box == nullptr) {
        return;
      }
      seen.append(box);
      mainBlocked = box->isModal() && box->parentWidget() == &w;
      QCOMPARE(box->windowTitle(), QStringLiteral("About Solvara"));
      // Asked again while the box is up: no second box.
      w.actAbout->trigger();
      QTest::mouseClick(box->Button1, Qt::LeftButton);
    };
    for (int round = 0; round < 2; ++round) {
      QTimer::singleShot(50, this, closeBox);
      w.actAbout->trigger();
    }
    QCOMPARE(seen.size(), 2);
    QVERIFY(mainBlocked);
    // Both destroyed as soon as they closed.
    QVERIFY(!seen[0] && !seen[1]);
    QVERIFY(!w.aboutfrm);
    QVERIFY(w.findChildren<Taboutfrm*>().isEmpty());
  }

  void homePageAndExitCommands() {
    TMainForm& w = *window_;
    w.actWebsite->trigger();
    QCOMPARE(launched_, QStringList{HomePageAddress()});

    QPointer<TNewsForm> page = w.NewsForm;
    w.actExit->trigger();
    QVERIFY(!w.isVisible());
    window_.reset();
    QVERIFY(!page);
    QVERIFY(MouseHookHandle == nullptr);
  }

 private:
  LocalHttpServer server_;
  std::unique_ptr<TMainForm> window_;
  QStringList boxes_;
  QStringList launched_;
  Watchdog watchdog_{"tst_mainform", std::chrono::seconds(100)};
};

QTEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
