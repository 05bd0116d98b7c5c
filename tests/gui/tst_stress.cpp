// Clicking around while documents load: News, Help and Start Check in quick
// succession, Finish twice, the Result tab, Save and Print while the report is being
// put into its view, and clicks made while a message box or the save or print dialog
// is up (which is when a real user's clicks would run inside the box's own loop).
// The news request is answered at once, with an error, or never, and the browser gives
// up on a silent server after a few milliseconds, so page loads end at every moment of
// the churn. Nothing may crash, the window's rules must hold after every step, and
// every report saved must be the core's for the answers of that moment.
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QSlider>
#include <QStackedWidget>
#include <QTabBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>
#include <memory>

#include "globals.h"
#include "questionnaire/frmSolvara1.h"
#include "report/ReportOutput.h"
#include "report/ReportText.h"
#include "shell/BrowserU.h"
#include "shell/CodePageU.h"
#include "shell/FormU.h"
#include "shell/HomePage.h"
#include "shell/MessageBoxes.h"
#include "shell/frmNews.h"
#include "tests/gui/support/LocalHttpServer.h"
#include "tests/gui/support/Watchdog.h"

using namespace solvara;

namespace {

QString NewsPath() {
  return QStringLiteral("/news100/") + AppendLanguageCode(QStringLiteral("news")) +
         QStringLiteral(".htm");
}

constexpr int kRounds = 300;
constexpr int kActionsPerRound = 4;

enum Action {
  kNews,
  kHelp,
  kStartCheck,
  kFinishTwice,
  kResultTab,
  kSave,
  kSaveWhileReportLoads,
  kNewsWhileReportLoads,
  kPrint,
  kChangeAnswers,
  kLetEventsRun,
  kActionCount
};

}  // namespace

class TestStress : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    QVERIFY(server_.Start());
    SetHomePageAddressForTesting(server_.Url(QString()).toString());
    oldTimeout_ = TWebBrowser::TransferTimeout();
    TWebBrowser::SetTransferTimeout(5);
    SetMessagePresenter([this](QWidget*, BoxKind kind, const QString& text) {
      boxes_.append(text);
      if (kind == BoxKind::Error)
        errors_.append(text);
      Nested();
    });
    TWebBrowser::SetPrintDialogHook([this](QPrinter*, QWidget*) {
      ++printDialogs_;
      Nested();
      return false;  // cancelled: nothing goes to a printer
    });
  }
  void cleanupTestCase() {
    SetMessagePresenter({});
    TWebBrowser::SetPrintDialogHook({});
    TWebBrowser::SetTransferTimeout(oldTimeout_);
    SetHomePageAddressForTesting(QString());
  }

  void clickingAroundWhileDocumentsLoad() {
    // A fresh seed each run widens the search; a failing one is printed and can be
    // given back through SOLVARA_STRESS_SEED to replay the same run.
    bool fixed = false;
    quint32 seed = qEnvironmentVariable("SOLVARA_STRESS_SEED").toUInt(&fixed);
    if (!fixed)
      seed = QRandomGenerator::global()->generate();
    random_.seed(seed);
    qInfo("seed %u", seed);

    window_ = std::make_unique<TMainForm>();
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));

    int actions = 0;
    for (int round = 0; round < kRounds; ++round) {
      // The news server's mood for this round.
      switch (random_.bounded(3)) {
        case 0:
          server_.SetSilent(true);
          break;
        case 1:
          server_.SetSilent(false);
          server_.SetResponse(NewsPath(), 200, "<p>Fresh news</p>");
          break;
        default:
          server_.SetSilent(false);
          server_.SetResponse(NewsPath(), 404, "gone");
          break;
      }
      for (int i = 0; i < kActionsPerRound; ++i) {
        const auto action = static_cast<Action>(random_.bounded(int(kActionCount)));
        Run(action);
        ++actions;
        CheckWindowRules(seed, round, action);
        if (QTest::currentTestFailed())
          return;
      }
    }
    qInfo("%d actions, %d reports saved and checked, %d message boxes, %d print dialogs", actions,
          savesChecked_, int(boxes_.size()), printDialogs_);
    QVERIFY2(errors_.isEmpty(), qPrintable(errors_.join(QLatin1Char('\n'))));
    QVERIFY(savesChecked_ > 0);

    // After the churn the window still works: a fresh news page gets the news.
    server_.SetSilent(false);
    server_.SetResponse(NewsPath(), 200, "<p>Fresh news</p>");
    TWebBrowser::SetTransferTimeout(oldTimeout_);
    QTest::mouseClick(window_->SingleSearchBtn, Qt::LeftButton);
    QTest::mouseClick(window_->NewsBtn, Qt::LeftButton);
    QVERIFY(window_->NewsForm);
    QTRY_COMPARE(window_->NewsForm->State(), TNewsForm::TNewsState::Accepted);

    // Nothing but the news file was ever asked for.
    for (const LocalHttpServer::Request& request : server_.Requests())
      QCOMPARE(QString::fromLatin1(request.target), NewsPath());

    window_.reset();
    QVERIFY(MouseHookHandle == nullptr);
  }

 private:
  void Run(Action action) {
    TMainForm& w = *window_;
    switch (action) {
      case kNews:
        QTest::mouseClick(w.NewsBtn, Qt::LeftButton);
        break;
      case kHelp:
        QTest::mouseClick(w.HelpBtn, Qt::LeftButton);
        break;
      case kStartCheck:
        QTest::mouseClick(w.SingleSearchBtn, Qt::LeftButton);
        break;
      case kFinishTwice:
        if (TSolvaraForm* form = Form()) {
          form->CreditTabs->setCurrentIndex(TSolvaraForm::kMiscellaneous);
          QPointer<QPushButton> finish(form->btnFinish);
          QTest::mouseClick(finish, Qt::LeftButton);
          if (finish)
            QTest::mouseClick(finish, Qt::LeftButton);
        }
        break;
      case kResultTab:
        if (TSolvaraForm* form = Form())
          ClickResultTab(form);
        break;
      case kSave:
        if (TSolvaraForm* form = Form()) {
          ClickResultTab(form);
          if (Form() == form)
            Save(form);
        }
        break;
      case kSaveWhileReportLoads:
      case kNewsWhileReportLoads:
        if (TSolvaraForm* form = Form()) {
          // The report's view completes its blank page first; acting then is acting
          // in the middle of putting the report up.
          QPointer<TSolvaraForm> guard(form);
          auto connection = std::make_shared<QMetaObject::Connection>();
          *connection = connect(form->WebReport, &TWebBrowser::DocumentComplete, this,
                                [this, guard, action, connection] {
                                  disconnect(*connection);
                                  if (action == kNewsWhileReportLoads)
                                    QTest::mouseClick(window_->NewsBtn, Qt::LeftButton);
                                  else if (guard)
                                    Save(guard.data());
                                });
          if (form->CreditPages->currentIndex() == TSolvaraForm::kResult)
            form->CreditTabs->setCurrentIndex(TSolvaraForm::kMiscellaneous);
          ClickResultTab(form);
          disconnect(*connection);
        }
        break;
      case kPrint:
        if (TSolvaraForm* form = Form()) {
          ClickResultTab(form);
          if (Form() == form)
            QTest::mouseClick(form->btnPrint, Qt::LeftButton);
        }
        break;
      case kChangeAnswers:
        if (TSolvaraForm* form = Form()) {
          form->tbAge->setValue(form->tbAge->minimum() + random_.bounded(49));
          form->tbYearsAtAddress->setValue(random_.bounded(22));
          form->lbOccupation->setCurrentRow(random_.bounded(29));
          form->tbTimeAtJob->setValue(random_.bounded(22));
          form->rbOwner->setChecked(random_.bounded(2) == 0);
          form->rbVisaYes->setChecked(true);
          form->edSalary->setText(QString::number(random_.bounded(200000)));
          form->edTelephone->setText(random_.bounded(2) == 0 ? QString() : QStringLiteral("0123"));
        }
        break;
      case kLetEventsRun:
        QTest::qWait(random_.bounded(4));
        break;
      case kActionCount:
        break;
    }
    QCoreApplication::processEvents();
  }

  // A click made while a box or dialog is up, now and then: one level deep.
  void Nested() {
    if (nesting_ > 0 || !window_ || random_.bounded(3) != 0)
      return;
    ++nesting_;
    static const Action kInside[] = {kNews, kHelp, kStartCheck, kFinishTwice, kResultTab};
    Run(kInside[random_.bounded(int(std::size(kInside)))]);
    --nesting_;
  }

  TSolvaraForm* Form() {
    TSolvaraForm* form = window_ ? window_->SolvaraForm.data() : nullptr;
    if (form != nullptr && !choosers_.contains(form)) {
      choosers_.append(form);
      form->SetSaveFileChooser([this, form](TSaveReportDialog&) {
        // A click inside may close the page, and this function dies with it: keep
        // what is needed afterwards on the stack.
        TestStress* self = this;
        self->savingAnswers_ = form->Answers();
        self->Nested();
        return self->dir_.filePath(QStringLiteral("Results.htm"));
      });
    }
    return form;
  }

  // The tab strip acts on the press, and what runs then may take the whole page
  // away: the release then goes to whatever is left, as it would under a real mouse.
  void ClickResultTab(TSolvaraForm* form) {
    QPointer<QTabBar> tabs(form->CreditTabs);
    const QPoint at = tabs->tabRect(TSolvaraForm::kResult).center();
    QTest::mousePress(tabs, Qt::LeftButton, Qt::NoModifier, at);
    if (tabs)
      QTest::mouseRelease(tabs, Qt::LeftButton, Qt::NoModifier, at);
  }

  // Saves and, when the page said "Report saved.", checks the file against the core.
  void Save(TSolvaraForm* form) {
    const QString file = dir_.filePath(QStringLiteral("Results.htm"));
    QFile::remove(file);
    const qsizetype before = boxes_.size();
    QTest::mouseClick(form->btnSave, Qt::LeftButton);
    if (boxes_.size() > before && boxes_.at(before) == QLatin1String("Report saved.")) {
      QFile saved(file);
      QVERIFY(saved.open(QIODevice::ReadOnly));
      int32_t income = 0;
      const std::string want = SavedForm(ReportLinesFor(savingAnswers_, income));
      QCOMPARE(saved.readAll(), QByteArray::fromStdString(want));
      ++savesChecked_;
    }
  }

  void CheckWindowRules(quint32 seed, int round, Action action) {
    const TMainForm& w = *window_;
    const QByteArray where = QStringLiteral("seed %1, round %2, action %3")
                                 .arg(seed)
                                 .arg(round)
                                 .arg(int(action))
                                 .toLatin1();
    QVERIFY2(!(w.NewsForm && w.SolvaraForm), where.constData());
    QVERIFY2(w.NewsForm || w.SolvaraForm, where.constData());
    const int down = int(w.NewsBtn->isChecked()) + int(w.SingleSearchBtn->isChecked()) +
                     int(w.HelpBtn->isChecked());
    QVERIFY2(down == 1, where.constData());
    QVERIFY2(bool(w.SolvaraForm) == w.SingleSearchBtn->isChecked(), where.constData());
    QVERIFY2(MouseHookHandle != nullptr, where.constData());
    const QWidget* page = w.NewsForm ? static_cast<QWidget*>(w.NewsForm.data())
                                     : static_cast<QWidget*>(w.SolvaraForm.data());
    QVERIFY2(page->isVisible() && page->parentWidget() == w.MainPanel, where.constData());
  }

  Watchdog watchdog_{"tst_stress", std::chrono::seconds(110)};
  QTemporaryDir dir_;
  LocalHttpServer server_;
  int oldTimeout_ = 0;
  QRandomGenerator random_;
  std::unique_ptr<TMainForm> window_;
  QList<QPointer<TSolvaraForm>> choosers_;
  TAnswers savingAnswers_;
  QStringList boxes_;
  QStringList errors_;
  int nesting_ = 0;
  int printDialogs_ = 0;
  int savesChecked_ = 0;
};

QTEST_MAIN(TestStress)
#include "tst_stress.moc"
