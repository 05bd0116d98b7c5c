// The questionnaire page driven as a user would: mouse and keyboard on the offscreen
// platform, the report compared with what the core writes for the same answers.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStackedWidget>
#include <QTabBar>
#include <QTextBrowser>
#include <QtTest>

#include "globals.h"
#include "questionnaire/frmSolvara1.h"
#include "report/ReportText.h"
#include "shell/BrowserU.h"
#include "tests/gui/support/Watchdog.h"

using namespace solvara;
using Page = TSolvaraForm::Page;

namespace {

// Counts what gets past the filter; eats menu requests, so none can open and block.
struct Seen : QObject {
  explicit Seen(QObject* watched) { watched->installEventFilter(this); }
  int right = 0, left = 0, menus = 0;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonRelease) {
      ++(static_cast<QMouseEvent*>(e)->button() == Qt::RightButton ? right : left);
    }
    return e->type() == QEvent::ContextMenu && ++menus > 0;
  }
};

}  // namespace

class TestQuestionnaire : public QObject {
  Q_OBJECT

  Watchdog watchdog_{"tst_questionnaire", std::chrono::seconds(90)};
  std::unique_ptr<TSolvaraForm> form;

  void ClickTab(int index) {
    QTest::mouseClick(form->CreditTabs, Qt::LeftButton, {},
                      form->CreditTabs->tabRect(index).center());
  }
  void ExpectPage(int index) {
    QCOMPARE(form->CreditPages->currentIndex(), index);
    QCOMPARE(form->CreditTabs->currentIndex(), index);
  }
  // What the report view shows, and what it shows for the core's report on answers.
  QString Shown() const { return form->WebReport->View()->toHtml(); }
  QString Expected(const TAnswers& answers) const {
    int32_t income = 0;
    QTextDocument doc;
    doc.setHtml(QString::fromStdString(ShownForm(ReportLinesFor(answers, income))));
    return doc.toHtml();
  }
  // Presses Tab until the target has the keyboard, never passing the report view.
  void TabTo(QWidget* target) {
    for (int i = 0; i < 40 && QApplication::focusWidget() != target; ++i) {
      QVERIFY2(QApplication::focusWidget() != form->WebReport->View(), "Tab reached the report");
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);  // or the window, if none
    }
    QCOMPARE(QApplication::focusWidget(), target);
  }

 private slots:
  void init() {
    MonthlyIncome = 1234;
    form = std::make_unique<TSolvaraForm>();
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QVERIFY(MouseHookHandle != nullptr);  // the right-click filter lives with the page
  }
  void cleanup() {
    form.reset();
    QVERIFY(MouseHookHandle == nullptr);
  }

  // A new page opens with the start answers; Next and Back move page and tab together.
  void navigation() {
    QCOMPARE(MonthlyIncome, 0);
    QCOMPARE(Expected(form->Answers()), Expected(TAnswers{}));
    QSignalSpy built(form.get(), &TSolvaraForm::ReportShown);
    const TSolvaraForm& f = *form;
    QWidget* next[] = {f.btnNext, f.NextBtn, f.SpeedButton5, f.SpeedButton8, f.SpeedButton11};
    QWidget* back[] = {f.BackBtn, f.SpeedButton6, f.SpeedButton9, f.SpeedButton12, f.SpeedButton15};
    for (int page = 0; page < 5; ++page) {
      ExpectPage(page);
      QTest::mouseClick(next[page], Qt::LeftButton);
      ExpectPage(page + 1);
      QTest::mouseClick(back[page], Qt::LeftButton);
      ExpectPage(page);
      QTest::mouseClick(next[page], Qt::LeftButton);
    }
    QCOMPARE(built.count(), 0);
  }

  // Every arrival on the result page shows the core's report of the current answers:
  // built once by the tab, twice by Finish, not at all by the tab already selected.
  void theResultPage() {
    QSignalSpy built(form.get(), &TSolvaraForm::ReportShown);
    ClickTab(Page::kResult);
    ExpectPage(Page::kResult);
    QCOMPARE(built.count(), 1);
    const QString first = Shown();
    QCOMPARE(first, Expected(form->Answers()));
    ClickTab(Page::kResult);
    QCOMPARE(built.count(), 1);
    ClickTab(Page::kAboutYou);
    form->edSalary->setText("30000");
    ClickTab(Page::kMiscellaneous);
    QTest::mouseClick(form->btnFinish, Qt::LeftButton);
    ExpectPage(Page::kResult);
    QCOMPARE(built.count(), 3);
    QCOMPARE(MonthlyIncome, 2500);
    QVERIFY(Shown() != first);
    QCOMPARE(Shown(), Expected(form->Answers()));
    // Right presses and releases through the window never reach the report's HTML area
    // and open no menu there; the left button does, and the page's buttons keep theirs.
    QWidget* area = form->WebReport->View()->viewport();
    Seen onArea(area), onView(form->WebReport->View()), onSave(form->btnSave);
    QWindow* window = form->windowHandle();
    const QPoint at = area->mapTo(form.get(), area->rect().center());
    QTest::mousePress(window, Qt::RightButton, {}, at);
    QTest::mouseRelease(window, Qt::RightButton, {}, at);
    QCOMPARE(onArea.right + onView.right + onArea.menus + onView.menus, 0);
    QTest::mouseClick(window, Qt::LeftButton, {}, at);
    QCOMPARE(onArea.left, 2);
    QTest::mouseClick(window, Qt::RightButton, {},
                      form->btnSave->mapTo(form.get(), form->btnSave->rect().center()));
    QCOMPARE(onSave.right, 2);
  }

  // Position -1 leaves a slider at its start, where three labels differ from the rule.
  void slidersDescribeTheirPositionInWords() {
    // clang-format off
    const std::tuple<QSlider*, QLabel*, std::vector<std::pair<int, const char*>>> sliders[] = {
        {form->tbAge, form->lblAge, {{66, "Over 65 Years Old"}, {65, "65 Years Old"}}},
        {form->tbYearsAtAddress, form->lblYearsAtAddress,
            {{-1, "Less than 1 Year"}, {21, "Over 20 years"}, {1, "1 year"}, {7, "7 years"},
             {0, "Less than 1 year"}}},
        {form->tbTimeAtJob, form->lblTimeAtJob,
            {{-1, "Less than 1 Year"}, {21, "Over 20 years"}, {0, "Less than a year"}}},
        {form->tbChargeCardsHeld, form->lblChargeCardsHeld,
            {{-1, "None"}, {6, "Over 5 charge cards"}, {2, "2 charge cards"},
             {0, "No cards held"}}},
        {form->tbLiveAccounts, form->lblLiveAccounts,
            {{9, "Over 8 live accounts"}, {4, "4 live accounts"}, {1, "1 live account"}}}};
    // clang-format on
    for (const auto& [slider, label, cases] : sliders) {
      for (const auto& [position, text] : cases) {
        slider->setValue(position);
        QCOMPARE(label->text(), text);
      }
    }
  }

  // The years-in-job question applies only to occupations with a job; switched off,
  // its slider keeps its position and text.
  void theOccupationDecidesTheYearsInJobQuestion() {
    ClickTab(Page::kOccupation);
    // None chosen yet, then Student, Lower Prof, Unemployed and Other.
    for (const auto& [row, enabled] :
         {std::pair{-1, false}, {3, false}, {15, true}, {7, false}, {28, true}}) {
      if (QListWidgetItem* item = form->lbOccupation->item(row)) {
        form->lbOccupation->scrollToItem(item);
        QTest::mouseClick(form->lbOccupation->viewport(), Qt::LeftButton, {},
                          form->lbOccupation->visualItemRect(item).center());
      }
      for (const QWidget* w : form->pnlYearsInJob->findChildren<QWidget*>()) {
        QVERIFY2(w->isEnabled() == enabled, qPrintable(w->objectName()));
      }
      form->tbTimeAtJob->setValue(row == 15 ? 10 : form->tbTimeAtJob->value());
      QCOMPARE(form->lblTimeAtJob->text(), row <= 3 ? "Less than 1 Year" : "10 years");
    }
    // Once made, the choice can change but not be taken back (Ctrl+click, Ctrl+Space).
    QTest::mouseClick(form->lbOccupation->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      form->lbOccupation->visualItemRect(form->lbOccupation->item(28)).center());
    QTest::keyClick(form->lbOccupation, Qt::Key_Space, Qt::ControlModifier);
    QCOMPARE(form->Answers().Occupation, 28);
  }

  // A choice in each of the ten groups stays; choosing again moves it in its group only.
  void radioGroupsAreIndependent() {
    const TSolvaraForm& f = *form;
    // clang-format off
    QRadioButton* const chosen[] = {f.rbMarried, f.rbOwner, f.rbVisaNo, f.rbMasterCardYes,
        f.rbChequeCardNo, f.rbMissedPaymentsYes, f.rbCCJYes, f.rbSettledAccounts2,
        f.rbDefaultedAccountsMorethan1, f.rbElectoralRegisterOver5Years, f.rbVisaYes, f.rbVisaYes};
    // clang-format on
    for (QRadioButton* button : chosen) {
      button->click();
    }
    for (QRadioButton* button : chosen) {
      QVERIFY2(button->isChecked() != (button == form->rbVisaNo), qPrintable(button->objectName()));
    }
  }

  // Every question can be answered, and the report reached, with the keyboard alone
  // and named for assistive tools; on the result page Tab never reaches the report.
  void theWholeQuestionnaireWorksFromTheKeyboard() {
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    QSignalSpy built(form.get(), &TSolvaraForm::ReportShown);
    TSolvaraForm& f = *form;
    // Tab to each control, then press its keys: ' ' > v < $ name keys, others are typed.
    // clang-format off
    const std::map<char, Qt::Key> named = {{' ', Qt::Key_Space}, {'>', Qt::Key_Right},
        {'v', Qt::Key_Down}, {'<', Qt::Key_Home}, {'$', Qt::Key_End}};
    const std::pair<QWidget*, const char*> steps[] = {
        {f.btnNext, " "}, {f.tbAge, ">>>>>"}, {f.rbSingle, ">"}, {f.edSalary, "30000"},
        {f.NextBtn, " "}, {f.rbTenant, ">>"}, {f.rbOwner, " "}, {f.tbYearsAtAddress, "$"},
        {f.edTelephone, "0123"}, {f.SpeedButton5, " "}, {f.lbOccupation, "<vvvvvvvvvvvvvvv"},
        {f.tbTimeAtJob, ">>>"}, {f.SpeedButton8, " "}, {f.rbVisaYes, " "},
        {f.rbMasterCardYes, ">"}, {f.rbMasterCardNo, " "}, {f.rbChequeCardYes, " "},
        {f.tbChargeCardsHeld, ">"}, {f.SpeedButton11, " "}, {f.tbLiveAccounts, ">>>"},
        {f.rbMissedPaymentsYes, ">"}, {f.rbMissedPaymentsNo, " "},
        {f.rbDefaultedAccountsNo, ">>"}, {f.rbDefaultedAccountsMorethan1, " "},
        {f.rbCCJNo, ">"}, {f.rbCCJYes, " "}, {f.rbSettledAccountsNo, ">>"},
        {f.rbSettledAccounts2, " "}, {f.rbElectoralRegisterNo, ">>"},
        {f.rbElectoralRegisterOver5Years, " "}, {f.btnFinish, " "}, {f.btnSave, ""},
        {f.btnPrint, ""}};
    const TAnswers want{23, MaritalChoice::Married, "30000", ResidentialChoice::Owner, 21, "0123",
        15, 3, YesNoChoice::Yes, YesNoChoice::No, YesNoChoice::Yes, 1, 3, YesNoChoice::No,
        CountChoice::MoreThanOne, CountChoice::Yes, SettledChoice::Two,
        ElectoralChoice::Over5Years};  // in the order of TAnswers' members
    // clang-format on
    for (const auto& [target, keys] : steps) {
      TabTo(target);
      QVERIFY2(!target->accessibleName().isEmpty(), qPrintable(target->objectName()));
      for (const char* c = keys; *c != 0; ++c) {
        named.count(*c) ? QTest::keyClick(target, named.at(*c)) : QTest::keyClick(target, *c);
      }
    }
    QCOMPARE(built.count(), 2);
    QCOMPARE(Shown(), Expected(want));
  }
};

QTEST_MAIN(TestQuestionnaire)
#include "tst_questionnaire.moc"
