// Clicking around while documents load: the bar's buttons in quick succession, Finish,
// Save, Print and News while the report is put up, clicks while a box or dialog is up;
// the news answers, fails or never comes, and the browser gives up after 5 ms. Nothing may
// crash, the window's rules hold after every action and every saved report is the core's.
// Each run prints its seed; SOLVARA_STRESS_SEED=<seed> replays it.
#include <QtTest>
#include <QtWidgets>

#include "globals.h"
#include "platform/HomePage.h"
#include "platform/MessageBoxes.h"
#include "questionnaire/form/frmSolvara1.h"
#include "shell/FormU.h"
#include "shell/browser/BrowserU.h"
#include "shell/frmNews.h"
#include "tests/gui/support/Controls.h"
#include "tests/gui/support/LocalHttpServer.h"

using namespace solvara;

class TestStress : public QObject {
  Q_OBJECT

 private slots:
  void clickingAroundWhileDocumentsLoad() {
    const QString given = qEnvironmentVariable("SOLVARA_STRESS_SEED");
    const quint32 seed = given.isEmpty() ? QRandomGenerator::global()->generate() : given.toUInt();
    random_.seed(seed);
    qInfo("seed %u", seed);
    QVERIFY(dir_.isValid() && server_.Start());
    SetHomePageAddressForTesting(server_.Url(QString()).toString());
    const QString news = QUrl(TNewsForm::NewsAddress()).path();
    TWebBrowser::SetTransferTimeout(5);
    SetMessagePresenter([this](QWidget* parent, BoxKind kind, const QString& text) {
      QVERIFY2(kind != BoxKind::Error, qPrintable(text));
      // What a page says it saved is the core's report; removed, so that a lost save shows.
      if (auto* form = qobject_cast<TSolvaraForm*>(parent);
          text == QLatin1String("Report saved.")) {
        QFile saved(file_);
        QVERIFY(form && saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), ExpectedSavedReport(form->Answers()));
        QVERIFY(saved.remove());
        ++saves_;
      }
      Nested();
    });
    TWebBrowser::SetPrintDialogHook([this](QPrinter*, QWidget*) { return Nested(), false; });
    window_ = std::make_unique<TMainForm>();
    window_->show();

    for (int round = 0; round < 300; ++round) {
      const int mood = random_.bounded(3);  // the news server answers, fails or never answers
      server_.SetSilent(mood == 2);
      server_.SetResponse(news, mood == 0 ? 200 : 404, "<p>Fresh news</p>");
      for (int i = 0; i < 4; ++i) {
        const int action = random_.bounded(int(kActionCount));
        Run(action);
        // One page, hosted, with the right-click filter, and its bar button alone down.
        const TMainForm* w = window_.get();
        const auto* news = w->findChild<TNewsForm*>();
        const auto* form = w->findChild<TSolvaraForm*>();
        const QWidget* page = news ? static_cast<const QWidget*>(news) : form;
        const bool questionnaire = Child<QToolButton>(w, "SingleSearchBtn")->isChecked();
        const int down = Child<QToolButton>(w, "NewsBtn")->isChecked() +
                         Child<QToolButton>(w, "HelpBtn")->isChecked() + questionnaire;
        const bool kept = page && !(news && form) && page->isVisible() &&
                          page->parentWidget() == Child<QWidget>(w, "MainPanel") &&
                          MouseHookHandle && down == 1 && bool(form) == questionnaire;
        QVERIFY2(kept,
                 qPrintable(QString::asprintf("seed %u round %d action %d", seed, round, action)));
        if (QTest::currentTestFailed()) {
          return;  // a check made inside an action
        }
      }
    }
    QVERIFY(saves_ > 0);

    // The window still works and the filter goes with the window.
    server_.SetSilent(false);
    server_.SetResponse(news, 200, "<p>Fresh news</p>");
    TWebBrowser::SetTransferTimeout(10000);
    Click(Child<QWidget>(window_.get(), "SingleSearchBtn"));
    Click(Child<QWidget>(window_.get(), "NewsBtn"));
    QTRY_COMPARE(window_->findChild<TNewsForm*>()->State(), TNewsForm::TNewsState::Accepted);
    window_.reset();
    QVERIFY(MouseHookHandle == nullptr);
  }

 private:
  // Below kResult, the bar's buttons; up to kResult, an action may also run inside a box.
  enum { kResult = 3, kChangeAnswers, kLetEventsRun, kActionCount };

  void Run(int action) {
    const QPointer<TSolvaraForm> form = window_->findChild<TSolvaraForm*>();
    if (action < kResult) {
      const char* const bar[] = {"NewsBtn", "HelpBtn", "SingleSearchBtn"};
      Click(Child<QWidget>(window_.get(), bar[action]));
      auto* now = window_->findChild<TSolvaraForm*>();
      if (now && now != form) {  // a new page: the save dialog is ours
        now->SetSaveFileChooser([this](TSaveReportDialog&) { return Chosen(); });
      }
    } else if (action == kResult && form) {
      // To the report by the tab or by Finish, and then nothing, Save, Print, Finish or News,
      // both while it is being put up (its view has completed the blank page) and after.
      const int during = random_.bounded(5), after = random_.bounded(5);
      const auto then = [this, form](int which) {
        const char* const buttons[] = {"btnSave", "btnPrint", "btnFinish"};
        if (form && which > 0) {
          Click(which > 3 ? Child<QWidget>(window_.get(), "NewsBtn")
                          : Child<QWidget>(form, buttons[which - 1]));
        }
      };
      const auto connection = connect(
          Child<TWebBrowser>(form, "WebReport"), &TWebBrowser::DocumentComplete, this,
          [=] { then(during); }, Qt::SingleShotConnection);
      auto* tabs = Child<QTabBar>(form, "CreditTabs");
      tabs->setCurrentIndex(TSolvaraForm::kMiscellaneous);
      random_.bounded(2) ? tabs->setCurrentIndex(TSolvaraForm::kResult)
                         : Click(Child<QWidget>(form, "btnFinish"));
      disconnect(connection);
      then(after);
    } else if (action == kChangeAnswers && form) {
      Child<QLineEdit>(form, "edSalary")->setText(QString::number(random_.bounded(200000)));
      Child<QLineEdit>(form, "edTelephone")
          ->setText(random_.bounded(2) == 0 ? QString() : QStringLiteral("0123"));
    } else if (action == kLetEventsRun) {
      QTest::qWait(random_.bounded(4));
    }
    QCoreApplication::processEvents();
  }

  // Now and then a click made while a box or dialog is up, one level deep.
  void Nested() {
    if (!nested_ && window_ && random_.bounded(3) == 0) {
      const QScopedValueRollback<bool> inside(nested_, true);
      Run(random_.bounded(kResult + 1));
    }
  }

  // Not in the chooser itself: a click inside may destroy the page, and the chooser with it.
  QString Chosen() { return Nested(), file_; }

  static void Click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton); }

  QTemporaryDir dir_;
  const QString file_ = dir_.filePath(QStringLiteral("Results.htm"));
  LocalHttpServer server_;
  QRandomGenerator random_;
  std::unique_ptr<TMainForm> window_;
  bool nested_ = false;
  int saves_ = 0;
};

QTEST_MAIN(TestStress)
#include "tst_stress.moc"
