// The questionnaire page driven as a user would: mouse and keyboard on the offscreen
// platform.
#include <unistd.h>
#include <QApplication>
#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QStackedWidget>
#include <QTabBar>
#include <QTextBrowser>
#include <QTextDocument>
#include <QWindow>
#include <QtTest>
#include <memory>

#include "globals.h"
#include "questionnaire/frmSolvara1.h"
#include "report/ReportText.h"
#include "shell/BrowserU.h"

using namespace solvara;

namespace {

std::pair<std::vector<std::string>, std::vector<std::string>> Coded(const TAnswers& answers) {
  std::pair<std::vector<std::string>, std::vector<std::string>> lists;
  int32_t income = 0;
  solvara::BuildUpValues(answers, lists.first, lists.second, income);
  return lists;
}

// The report the core writes for these answers, as the view renders it.
QString ExpectedRendering(const TAnswers& answers, const QTextDocument* like) {
  int32_t income = 0;
  const std::string shown = ShownForm(ReportLinesFor(answers, income));
  QTextDocument doc;
  doc.setDefaultFont(like->defaultFont());
  doc.setDefaultStyleSheet(like->defaultStyleSheet());
  doc.setHtml(QString::fromUtf8(shown.data(), static_cast<int>(shown.size())));
  return doc.toHtml();
}

QString ShownRendering(const TSolvaraForm& form) {
  return form.WebReport->View()->toHtml();
}

// Counts the mouse and context-menu events that get through to a widget.
class EventCounter : public QObject {
 public:
  int rightPresses = 0;
  int rightReleases = 0;
  int leftPresses = 0;
  int contextMenus = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const bool press = event->type() == QEvent::MouseButtonPress;
        if (mouse->button() == Qt::RightButton) {
          (press ? rightPresses : rightReleases)++;
        } else if (mouse->button() == Qt::LeftButton && press) {
          leftPresses++;
        }
        break;
      }
      case QEvent::ContextMenu:
        contextMenus++;
        break;
      default:
        break;
    }
    return false;
  }
};

QMenu* OpenMenu() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* menu = qobject_cast<QMenu*>(w); menu != nullptr && menu->isVisible()) {
      return menu;
    }
  }
  return nullptr;
}

}  // namespace

class TestQuestionnaire : public QObject {
  Q_OBJECT

  std::unique_ptr<TSolvaraForm> form;

  void Click(QAbstractButton* button) {
    QVERIFY(button->isVisible());
    QTest::mouseClick(button, Qt::LeftButton);
  }
  void ClickTab(int index) {
    QTest::mouseClick(form->CreditTabs, Qt::LeftButton, {},
                      form->CreditTabs->tabRect(index).center());
  }
  void ChooseOccupation(int row) {
    QListWidgetItem* item = form->lbOccupation->item(row);
    form->lbOccupation->scrollToItem(item);
    QTest::mouseClick(form->lbOccupation->viewport(), Qt::LeftButton, {},
                      form->lbOccupation->visualItemRect(item).center());
  }
  void ExpectPage(int index) {
    QCOMPARE(form->CreditPages->currentIndex(), index);
    QCOMPARE(form->CreditTabs->currentIndex(), index);
  }
  // Presses Tab until the target has the keyboard; fails if it is not reached.
  void TabTo(QWidget* target) {
    for (int i = 0; i < 40 && QApplication::focusWidget() != target; ++i) {
      QWidget* at =
          QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : form.get();
      QVERIFY2(at != form->WebReport->View(), "the report view took the Tab key");
      QTest::keyClick(at, Qt::Key_Tab);
    }
    QCOMPARE(QApplication::focusWidget(), target);
  }
  void Key(int key, int times = 1) {
    for (int i = 0; i < times; ++i) {
      QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key));
    }
  }

 private slots:
  void init() {
    MonthlyIncome = 1234;
    form = std::make_unique<TSolvaraForm>();
    form->resize(538, 380);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
  }

  void cleanup() { form.reset(); }

  void opensOnTheIntroductionWithTheStartState() {
    ExpectPage(TSolvaraForm::kIntroduction);
    QCOMPARE(form->CreditTabs->count(), 7);
    QCOMPARE(form->CreditPages->count(), 7);
    QCOMPARE(form->CreditTabs->tabText(0), QStringLiteral("Introduction "));
    QCOMPARE(form->CreditTabs->tabText(6), QStringLiteral("Result "));
    QCOMPARE(MonthlyIncome, 0);
    QCOMPARE(form->lblAge->text(), QStringLiteral("18 Years Old"));
    QVERIFY(form->rbSingle->isChecked());
    for (QWidget* w : std::initializer_list<QWidget*>{form->lblTimeInJob1, form->lblTimeInJob2,
                                                      form->lblTimeInJob3, form->lblTimeInJob4,
                                                      form->lblTimeAtJob, form->tbTimeAtJob}) {
      QVERIFY(!w->isEnabled());
    }
    QVERIFY(form->lbOccupation->selectedItems().isEmpty());
    QCOMPARE(form->lbOccupation->count(), 29);
    // What the controls hold codes exactly as the start state of the answers.
    QVERIFY(Coded(form->Answers()) == Coded(TAnswers{}));
    QVERIFY(MouseHookHandle != nullptr);
  }

  void nextAndBackMoveThePageAndTheStripTogether() {
    QSignalSpy built(form.get(), &TSolvaraForm::ReportShown);
    QAbstractButton* forward[] = {form->btnNext, form->NextBtn, form->SpeedButton5,
                                  form->SpeedButton8, form->SpeedButton11};
    for (int page = 0; page < 5; ++page) {
      Click(forward[page]);
      ExpectPage(page + 1);
    }
    QAbstractButton* back[] = {form->BackBtn, form->SpeedButton6, form->SpeedButton9,
                               form->SpeedButton12, form->SpeedButton15};
    for (int page = 5; page > 0; --page) {
      Click(back[page - 1]);
      ExpectPage(page - 1);
    }
    ClickTab(TSolvaraForm::kCardsHeld);
    ExpectPage(TSolvaraForm::kCardsHeld);
    Click(form->SpeedButton12);
    ExpectPage(TSolvaraForm::kOccupation);
    QCOMPARE(built.count(), 0);
  }

  void theResultTabBuildsTheReportOnceForEachArrival() {
    QSignalSpy built(form.get(), &TSolvaraForm::ReportShown);
    ClickTab(TSolvaraForm::kOccupation);
    ClickTab(TSolvaraForm::kResult);
    ExpectPage(TSolvaraForm::kResult);
    QCOMPARE(built.count(), 1);
    const QTextDocument* shown = form->WebReport->View()->document();
    const QString first = ShownRendering(*form);
    QCOMPARE(first, ExpectedRendering(form->Answers(), shown));
    QVERIFY(shown->toPlainText().contains(QStringLiteral("declined")));

    // The tab that is already chosen does nothing.
    ClickTab(TSolvaraForm::kResult);
    QCOMPARE(built.count(), 1);

    // Another visit after a change shows the changed answers.
    ClickTab(TSolvaraForm::kAboutYou);
    form->tbAge->setValue(40);
    form->edSalary->setText(QStringLiteral("30000"));
    ClickTab(TSolvaraForm::kResult);
    QCOMPARE(built.count(), 2);
    QCOMPARE(MonthlyIncome, 2500);
    const QString second = ShownRendering(*form);
    QVERIFY(second != first);
    QCOMPARE(second, ExpectedRendering(form->Answers(), shown));
  }

  void finishBuildsTheReportTwiceAndLandsOnTheResultTab() {
    ClickTab(TSolvaraForm::kAddress);
    Click(form->rbOwner);
    form->edTelephone->setText(QStringLiteral("01234 567890"));
    ClickTab(TSolvaraForm::kCardsHeld);
    Click(form->rbVisaYes);
    Click(form->SpeedButton11);
    ExpectPage(TSolvaraForm::kMiscellaneous);

    QSignalSpy built(form.get(), &TSolvaraForm::ReportShown);
    QSignalSpy tabChanges(form->CreditTabs, &QTabBar::currentChanged);
    Click(form->btnFinish);
    ExpectPage(TSolvaraForm::kResult);
    QCOMPARE(built.count(), 2);
    QCOMPARE(tabChanges.count(), 1);
    QCOMPARE(ShownRendering(*form),
             ExpectedRendering(form->Answers(), form->WebReport->View()->document()));

    // Reaching the same answers through the tab shows the same document.
    const QString byFinish = ShownRendering(*form);
    ClickTab(TSolvaraForm::kMiscellaneous);
    ClickTab(TSolvaraForm::kResult);
    QCOMPARE(built.count(), 3);
    QCOMPARE(ShownRendering(*form), byFinish);
  }

  void slidersDescribeTheirPositionInWords() {
    // Three labels start with texts that their slider's own rule would not give.
    QCOMPARE(form->lblYearsAtAddress->text(), QStringLiteral("Less than 1 Year"));
    QCOMPARE(form->lblTimeAtJob->text(), QStringLiteral("Less than 1 Year"));
    QCOMPARE(form->lblChargeCardsHeld->text(), QStringLiteral("None"));
    QCOMPARE(form->lblLiveAccounts->text(), QStringLiteral("None"));

    struct Case {
      QSlider* slider;
      QLabel* label;
      int position;
      const char* text;
    };
    const Case cases[] = {
        {form->tbAge, form->lblAge, 66, "Over 65 Years Old"},
        {form->tbAge, form->lblAge, 65, "65 Years Old"},
        {form->tbYearsAtAddress, form->lblYearsAtAddress, 21, "Over 20 years"},
        {form->tbYearsAtAddress, form->lblYearsAtAddress, 7, "7 years"},
        {form->tbYearsAtAddress, form->lblYearsAtAddress, 0, "Less than 1 year"},
        {form->tbTimeAtJob, form->lblTimeAtJob, 21, "Over 20 years"},
        {form->tbTimeAtJob, form->lblTimeAtJob, 0, "Less than a year"},
        {form->tbChargeCardsHeld, form->lblChargeCardsHeld, 6, "Over 5 charge cards"},
        {form->tbChargeCardsHeld, form->lblChargeCardsHeld, 2, "2 charge cards"},
        {form->tbChargeCardsHeld, form->lblChargeCardsHeld, 0, "No cards held"},
        {form->tbLiveAccounts, form->lblLiveAccounts, 9, "Over 8 live accounts"},
        {form->tbLiveAccounts, form->lblLiveAccounts, 4, "4 live accounts"},
        {form->tbLiveAccounts, form->lblLiveAccounts, 1, "1 live account"},
    };
    for (const Case& c : cases) {
      c.slider->setValue(c.position);
      QCOMPARE(c.label->text(), QString::fromUtf8(c.text));
    }
  }

  void theOccupationDecidesTheYearsInJobQuestion() {
    ClickTab(TSolvaraForm::kOccupation);
    const QList<QWidget*> question = {form->lblTimeInJob1, form->lblTimeInJob2, form->lblTimeInJob3,
                                      form->lblTimeInJob4, form->lblTimeAtJob,  form->tbTimeAtJob};
    auto all = [&](bool enabled) {
      for (QWidget* w : question) {
        if (w->isEnabled() != enabled) {
          return false;
        }
      }
      return true;
    };
    ChooseOccupation(3);  // Student
    QCOMPARE(form->Answers().Occupation, 3);
    QVERIFY(all(false));
    ChooseOccupation(15);  // Lower Prof
    QCOMPARE(form->Answers().Occupation, 15);
    QVERIFY(all(true));
    form->tbTimeAtJob->setValue(10);
    QCOMPARE(form->lblTimeAtJob->text(), QStringLiteral("10 years"));
    ChooseOccupation(7);  // Unemployed
    QVERIFY(all(false));
    QCOMPARE(form->tbTimeAtJob->value(), 10);
    QCOMPARE(form->lblTimeAtJob->text(), QStringLiteral("10 years"));
    // While the question is off, the time in the job is not coded.
    const auto lists = Coded(form->Answers());
    QVERIFY(std::find(lists.first.begin(), lists.first.end(), "TimeInJob") == lists.first.end());
    ChooseOccupation(28);  // Other: a job, so the question applies
    QVERIFY(all(true));
  }

  void radioGroupsAreIndependent() {
    ClickTab(TSolvaraForm::kCardsHeld);
    Click(form->rbMasterCardNo);
    Click(form->rbChequeCardYes);
    Click(form->rbVisaYes);
    QVERIFY(form->rbVisaYes->isChecked());
    QVERIFY(form->rbMasterCardNo->isChecked());
    QVERIFY(form->rbChequeCardYes->isChecked());
    Click(form->rbVisaNo);
    QVERIFY(!form->rbVisaYes->isChecked());
    QVERIFY(form->rbMasterCardNo->isChecked());
    QVERIFY(form->rbChequeCardYes->isChecked());
    // A chosen answer stays chosen when clicked again.
    Click(form->rbVisaNo);
    QVERIFY(form->rbVisaNo->isChecked());

    ClickTab(TSolvaraForm::kMiscellaneous);
    Click(form->rbCCJYes);
    Click(form->rbSettledAccounts2);
    Click(form->rbElectoralRegisterOver5Years);
    QVERIFY(form->rbCCJYes->isChecked());
    QVERIFY(form->rbSettledAccounts2->isChecked());
    QVERIFY(form->rbMissedPaymentsYes->group()->checkedButton() == nullptr);
    QVERIFY(form->rbDefaultedAccountsNo->group()->checkedButton() == nullptr);
    QVERIFY(form->rbSingle->isChecked());
    const TAnswers a = form->Answers();
    QVERIFY(a.Visa == YesNoChoice::No);
    QVERIFY(a.MasterCard == YesNoChoice::No);
    QVERIFY(a.ChequeCard == YesNoChoice::Yes);
    QVERIFY(a.CountyCourtJudgements == CountChoice::Yes);
    QVERIFY(a.SettledAccounts == SettledChoice::Two);
    QVERIFY(a.ElectoralRegister == ElectoralChoice::Over5Years);
    QVERIFY(a.DefaultedAccounts == CountChoice::None);
  }

  void rightClicksNeverReachTheReport() {
    ClickTab(TSolvaraForm::kResult);
    QWidget* viewport = form->WebReport->View()->viewport();
    EventCounter counter;
    viewport->installEventFilter(&counter);
    form->WebReport->View()->installEventFilter(&counter);
    QWindow* window = form->window()->windowHandle();
    QVERIFY(window != nullptr);
    const QPoint at = viewport->mapTo(form->window(), viewport->rect().center());

    // Through the window, so that Qt also asks for a context menu as it would for a
    // real click.
    QTest::mouseClick(window, Qt::RightButton, {}, at);
    QTest::mousePress(window, Qt::RightButton, {}, at);
    QTest::mouseRelease(window, Qt::RightButton, {}, at);
    QCoreApplication::processEvents();
    QCOMPARE(counter.rightPresses, 0);
    QCOMPARE(counter.rightReleases, 0);
    QCOMPARE(counter.contextMenus, 0);
    QMenu* menu = OpenMenu();
    if (menu != nullptr) {
      menu->close();
    }
    QVERIFY2(menu == nullptr, "a context menu opened over the report");

    QTest::mouseClick(window, Qt::LeftButton, {}, at);
    QCOMPARE(counter.leftPresses, 1);

    // Elsewhere on the page the right button is left alone.
    EventCounter buttonCounter;
    form->btnSave->installEventFilter(&buttonCounter);
    QTest::mouseClick(window, Qt::RightButton, {},
                      form->btnSave->mapTo(form->window(), form->btnSave->rect().center()));
    QCOMPARE(buttonCounter.rightPresses, 1);
  }

  void theWholeQuestionnaireWorksFromTheKeyboard() {
    QApplication::setActiveWindow(form.get());
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    QSignalSpy built(form.get(), &TSolvaraForm::ReportShown);

    TabTo(form->btnNext);
    Key(Qt::Key_Space);
    ExpectPage(TSolvaraForm::kAboutYou);

    TabTo(form->tbAge);
    Key(Qt::Key_Right, 5);
    QCOMPARE(form->lblAge->text(), QStringLiteral("23 Years Old"));
    TabTo(form->rbSingle);
    Key(Qt::Key_Right);  // moves on to Married and chooses it
    Key(Qt::Key_Space);
    QVERIFY(form->rbMarried->isChecked());
    TabTo(form->edSalary);
    QTest::keyClicks(form->edSalary, QStringLiteral("30000"));
    TabTo(form->NextBtn);
    Key(Qt::Key_Space);
    ExpectPage(TSolvaraForm::kAddress);

    TabTo(form->rbTenant);
    Key(Qt::Key_Right, 2);
    QCOMPARE(QApplication::focusWidget(), form->rbOwner);
    Key(Qt::Key_Space);
    QVERIFY(form->rbOwner->isChecked());
    TabTo(form->tbYearsAtAddress);
    Key(Qt::Key_End);
    QCOMPARE(form->lblYearsAtAddress->text(), QStringLiteral("Over 20 years"));
    TabTo(form->edTelephone);
    QTest::keyClicks(form->edTelephone, QStringLiteral("0123"));
    TabTo(form->SpeedButton5);
    Key(Qt::Key_Space);
    ExpectPage(TSolvaraForm::kOccupation);

    TabTo(form->lbOccupation);
    Key(Qt::Key_Down);
    const int first = form->Answers().Occupation;
    QVERIFY(first >= 0);
    Key(Qt::Key_Down, 15 - first);
    QCOMPARE(form->Answers().Occupation, 15);
    QVERIFY(form->tbTimeAtJob->isEnabled());
    TabTo(form->tbTimeAtJob);
    Key(Qt::Key_Right, 3);
    TabTo(form->SpeedButton8);
    Key(Qt::Key_Space);
    ExpectPage(TSolvaraForm::kCardsHeld);

    TabTo(form->rbVisaYes);
    Key(Qt::Key_Space);
    TabTo(form->rbChequeCardYes);
    Key(Qt::Key_Space);
    TabTo(form->tbChargeCardsHeld);
    Key(Qt::Key_Right);
    TabTo(form->SpeedButton11);
    Key(Qt::Key_Space);
    ExpectPage(TSolvaraForm::kMiscellaneous);

    TabTo(form->tbLiveAccounts);
    Key(Qt::Key_Right, 3);
    TabTo(form->rbMissedPaymentsYes);
    Key(Qt::Key_Right);
    Key(Qt::Key_Space);
    TabTo(form->rbElectoralRegisterNo);
    Key(Qt::Key_Right);
    Key(Qt::Key_Space);
    TabTo(form->btnFinish);
    Key(Qt::Key_Space);
    ExpectPage(TSolvaraForm::kResult);
    QCOMPARE(built.count(), 2);

    const TAnswers a = form->Answers();
    QCOMPARE(a.Age, 23);
    QVERIFY(a.Marital == MaritalChoice::Married);
    QCOMPARE(a.Salary, std::string("30000"));
    QVERIFY(a.Residential == ResidentialChoice::Owner);
    QCOMPARE(a.YearsAtAddress, 21);
    QCOMPARE(a.Telephone, std::string("0123"));
    QCOMPARE(a.YearsInJob, 3);
    QVERIFY(a.Visa == YesNoChoice::Yes);
    QVERIFY(a.MasterCard == YesNoChoice::None);
    QVERIFY(a.ChequeCard == YesNoChoice::Yes);
    QCOMPARE(a.ChargeCards, 1);
    QCOMPARE(a.LiveAccounts, 3);
    QVERIFY(a.MissedPayments == YesNoChoice::No);
    QVERIFY(a.ElectoralRegister == ElectoralChoice::Yes);
    QCOMPARE(ShownRendering(*form), ExpectedRendering(a, form->WebReport->View()->document()));

    // On the result page Tab visits the buttons and the strip, never the report.
    TabTo(form->btnSave);
    TabTo(form->CreditTabs);
    TabTo(form->btnPrint);
    // The strip itself moves with the arrow keys.
    TabTo(form->CreditTabs);
    Key(Qt::Key_Left);
    ExpectPage(TSolvaraForm::kMiscellaneous);
  }

  void everyControlHasAnAccessibleName() {
    const QList<QWidget*> widgets = form->findChildren<QWidget*>();
    int inputs = 0;
    for (QWidget* w : widgets) {
      if (qobject_cast<QAbstractButton*>(w) != nullptr || qobject_cast<QSlider*>(w) != nullptr ||
          qobject_cast<QLineEdit*>(w) != nullptr || qobject_cast<QListWidget*>(w) != nullptr) {
        ++inputs;
        QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
      }
    }
    QVERIFY(inputs > 40);
    QCOMPARE(form->tbAge->accessibleName(), form->Label6->text());
    QCOMPARE(form->edSalary->accessibleName(), form->Label41->text());
  }

  void theFilterGoesWithThePage() {
    QVERIFY(MouseHookHandle != nullptr);
    form.reset();
    QVERIFY(MouseHookHandle == nullptr);
  }
};

int main(int argc, char** argv) {
  // Whatever happens, the test ends: a hang would otherwise hold up the whole run.
  alarm(90);
  QApplication app(argc, argv);
  TestQuestionnaire test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_questionnaire.moc"
