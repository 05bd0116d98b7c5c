// The questionnaire page driven as a user would: mouse and keyboard on the offscreen
// platform, controls found by their names, the report compared with what the core
// writes for the same answers.
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStackedWidget>
#include <QTabBar>
#include <QtTest>

#include "globals.h"
#include "questionnaire/AnswerCoding.h"
#include "questionnaire/frmSolvara1.h"
#include "shell/BrowserU.h"
#include "tests/gui/support/Controls.h"
#include "tests/gui/support/Watchdog.h"

using namespace solvara;
using Page = TSolvaraForm::Page;

class TestQuestionnaire : public QObject {
  Q_OBJECT

  Watchdog watchdog_{"tst_questionnaire", std::chrono::seconds(90)};
  std::unique_ptr<TSolvaraForm> form;

  template <typename T = QWidget>
  T* W(const QString& name) const {
    return Child<T>(form.get(), qPrintable(name));
  }
  void ExpectPage(int index) {
    QCOMPARE(W<QStackedWidget>("CreditPages")->currentIndex(), index);
    QCOMPARE(W<QTabBar>("CreditTabs")->currentIndex(), index);
  }
  // The coded answers as "Name=Value" entries, each followed by a space.
  static QString Coded(const TAnswers& answers) {
    std::vector<std::string> names, values;
    int32_t income = 0;
    BuildUpValues(answers, names, values, income);
    QString out;
    for (size_t i = 0; i < names.size(); ++i)
      out += QString::fromStdString(names[i] + "=" + values[i] + " ");
    return out;
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
    QCOMPARE(Coded(form->Answers()), Coded(TAnswers{}));
    QSignalSpy built(form.get(), &TSolvaraForm::ReportShown);
    const char* const next[] = {"btnNext", "NextBtn", "SpeedButton5", "SpeedButton8",
                                "SpeedButton11"};
    const char* const back[] = {"BackBtn", "SpeedButton6", "SpeedButton9", "SpeedButton12",
                                "SpeedButton15"};
    for (int page = 0; page < 5; ++page) {
      ExpectPage(page);
      QTest::mouseClick(W(next[page]), Qt::LeftButton);
      ExpectPage(page + 1);
      QTest::mouseClick(W(back[page]), Qt::LeftButton);
      ExpectPage(page);
      QTest::mouseClick(W(next[page]), Qt::LeftButton);
    }
    QCOMPARE(built.count(), 0);
  }

  // Every arrival on the result page shows the core's report of the current answers:
  // built once by the tab, twice by Finish, not at all by the tab already selected.
  void theResultPage() {
    QSignalSpy built(form.get(), &TSolvaraForm::ReportShown);
    ClickTab(*form, Page::kResult);
    ExpectPage(Page::kResult);
    QCOMPARE(built.count(), 1);
    const QString first = ShownReport(*form);
    QCOMPARE(first, ExpectedShownReport(*form, form->Answers()));
    ClickTab(*form, Page::kResult);
    QCOMPARE(built.count(), 1);
    ClickTab(*form, Page::kAboutYou);
    QTest::keyClicks(W("edSalary"), "30000");
    ClickTab(*form, Page::kMiscellaneous);
    QTest::mouseClick(W("btnFinish"), Qt::LeftButton);
    ExpectPage(Page::kResult);
    QCOMPARE(built.count(), 3);
    QCOMPARE(MonthlyIncome, 2500);
    QVERIFY(ShownReport(*form) != first);
    QCOMPARE(ShownReport(*form), ExpectedShownReport(*form, form->Answers()));
  }

  // Position -1 leaves a slider at its start, where three labels differ from the rule.
  void sliderWords_data() {
    QTest::addColumn<QString>("slider");
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("text");
    const auto row = [](const char* slider, const char* label, int position, const char* text) {
      QTest::addRow("%s %d", slider, position) << slider << label << position << text;
    };
    row("tbAge", "lblAge", -1, "18 Years Old");
    row("tbAge", "lblAge", 66, "Over 65 Years Old");
    row("tbAge", "lblAge", 65, "65 Years Old");
    row("tbYearsAtAddress", "lblYearsAtAddress", -1, "Less than 1 Year");
    row("tbYearsAtAddress", "lblYearsAtAddress", 21, "Over 20 years");
    row("tbYearsAtAddress", "lblYearsAtAddress", 1, "1 year");
    row("tbYearsAtAddress", "lblYearsAtAddress", 7, "7 years");
    row("tbYearsAtAddress", "lblYearsAtAddress", 0, "Less than 1 year");
    row("tbTimeAtJob", "lblTimeAtJob", -1, "Less than 1 Year");
    row("tbTimeAtJob", "lblTimeAtJob", 21, "Over 20 years");
    row("tbTimeAtJob", "lblTimeAtJob", 0, "Less than a year");
    row("tbChargeCardsHeld", "lblChargeCardsHeld", -1, "None");
    row("tbChargeCardsHeld", "lblChargeCardsHeld", 6, "Over 5 charge cards");
    row("tbChargeCardsHeld", "lblChargeCardsHeld", 2, "2 charge cards");
    row("tbChargeCardsHeld", "lblChargeCardsHeld", 0, "No cards held");
    row("tbLiveAccounts", "lblLiveAccounts", -1, "None");
    row("tbLiveAccounts", "lblLiveAccounts", 9, "Over 8 live accounts");
    row("tbLiveAccounts", "lblLiveAccounts", 4, "4 live accounts");
    row("tbLiveAccounts", "lblLiveAccounts", 1, "1 live account");
  }
  void sliderWords() {
    QFETCH(QString, slider);
    QFETCH(QString, label);
    QFETCH(int, position);
    QFETCH(QString, text);
    auto* control = W<QSlider>(slider);
    if (position >= 0) {
      control->setValue(position == 0 ? 1 : 0);  // from elsewhere, so that it moves
      control->setValue(position);
    }
    QCOMPARE(W<QLabel>(label)->text(), text);
  }

  // The years-in-job question applies only to occupations with a job; switched off,
  // its slider keeps its position and text. Once made, the choice can change but not
  // be taken back (Ctrl+click, Ctrl+Space).
  void theOccupationDecidesTheYearsInJobQuestion_data() {
    QTest::addColumn<int>("entry");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("none chosen") << -1 << false;
    QTest::newRow("Student") << 3 << false;
    QTest::newRow("Unemployed") << 7 << false;
    QTest::newRow("Lower Prof") << 15 << true;
    QTest::newRow("Other") << 28 << true;
  }
  void theOccupationDecidesTheYearsInJobQuestion() {
    QFETCH(int, entry);
    QFETCH(bool, enabled);
    ClickTab(*form, Page::kOccupation);
    auto* list = W<QListWidget>("lbOccupation");
    W<QSlider>("tbTimeAtJob")->setValue(10);
    if (QListWidgetItem* item = list->item(entry)) {
      list->scrollToItem(item);
      const QPoint at = list->visualItemRect(item).center();
      QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
      QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, at);
      QTest::keyClick(list, Qt::Key_Space, Qt::ControlModifier);
    }
    QCOMPARE(form->Answers().Occupation, entry);
    for (const char* name : {"lblTimeInJob1", "lblTimeInJob2", "lblTimeInJob3", "lblTimeInJob4",
                             "lblTimeAtJob", "tbTimeAtJob"}) {
      QVERIFY2(W(name)->isEnabled() == enabled, name);
    }
    QCOMPARE(W<QSlider>("tbTimeAtJob")->value(), 10);
    QCOMPARE(W<QLabel>("lblTimeAtJob")->text(), "10 years");
  }

  // Each button shows its caption and, chosen, gives the answer its caption names.
  void choices_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("coded");  // the entries it adds to those of the start answers
    const auto row = [](const char* button, const char* caption, const char* coded) {
      QTest::newRow(button) << caption << coded;
    };
    row("rbSingle", "Single", "");
    row("rbMarried", "Married", "MaritalStatus=M");
    row("rbDivorced", "Divorced", "MaritalStatus=W");
    row("rbMaritalOther", "Other (Widowed / Partner ?)", "MaritalStatus=X");
    row("rbTenant", "Tenant", "ResidentialStatus=T");
    row("rbLivingWithParents", "Living with Parents", "ResidentialStatus=P");
    row("rbOwner", "Owner", "ResidentialStatus=O");
    row("rbLocalAuthority", "Local Authority", "ResidentialStatus=A");
    row("rbOther", "Other", "ResidentialStatus=X");
    row("rbVisaYes", "Yes", "VisaCardHeld=Y");
    row("rbVisaNo", "No", "");
    row("rbMasterCardYes", "Yes", "AccessMastercardHeld=Y");
    row("rbMasterCardNo", "No", "");
    row("rbChequeCardYes", "Yes", "ChequeCardHeld=Y");
    row("rbChequeCardNo", "No", "");
    row("rbMissedPaymentsYes", "Yes", "WorstStatusofLiveAccounts=2");
    row("rbMissedPaymentsNo", "No", "");
    row("rbDefaultedAccountsNo", "No", "");
    row("rbDefaultedAccountsYes", "Yes", "DefaultAccounts=1");
    row("rbDefaultedAccountsMorethan1", "Yes, on more than one account", "DefaultAccounts=2");
    row("rbCCJNo", "No", "");
    row("rbCCJYes", "Yes", "CCJS=1");
    row("rbCCJMorethanone", "Yes, more than one", "CCJS=2");
    row("rbSettledAccountsNo", "No", "");
    row("rbSettledAccounts1", "1", "SettledCreditAccounts=1");
    row("rbSettledAccounts2", "2", "SettledCreditAccounts=2");
    row("rbSettledAccountsmoreThan2", "More than 2", "SettledCreditAccounts=3");
    row("rbElectoralRegisterNo", "No", "");
    row("rbElectoralRegisterYes", "Yes", "NamesMatchingonElectoralRoll=1");
    row("rbElectoralRegisterOver5Years", "Yes but last registered over 5 years ago",
        "NamesMatchingonElectoralRoll=1 YearsSinceLastRegistered=6");
  }
  void choices() {
    QFETCH(QString, caption);
    QFETCH(QString, coded);
    auto* button = W<QRadioButton>(QTest::currentDataTag());
    QCOMPARE(button->text(), caption);
    QCOMPARE(button->accessibleName(), caption);
    button->click();
    QStringList entries = Coded(form->Answers()).split(' ', Qt::SkipEmptyParts);
    for (const QString& start : Coded(TAnswers{}).split(' ', Qt::SkipEmptyParts))
      entries.removeOne(start);
    QCOMPARE(entries.join(' '), coded);
  }

  // A choice in each of the ten groups stays; choosing again moves it in its group only.
  void radioGroupsAreIndependent() {
    const char* const chosen[] = {"rbMarried",
                                  "rbOwner",
                                  "rbVisaNo",
                                  "rbMasterCardYes",
                                  "rbChequeCardNo",
                                  "rbMissedPaymentsYes",
                                  "rbCCJYes",
                                  "rbSettledAccounts2",
                                  "rbDefaultedAccountsMorethan1",
                                  "rbElectoralRegisterOver5Years",
                                  "rbVisaYes",
                                  "rbVisaYes"};
    for (const char* name : chosen)
      W<QRadioButton>(name)->click();
    for (const char* name : chosen)
      QVERIFY2(W<QRadioButton>(name)->isChecked() != (QLatin1String(name) == "rbVisaNo"), name);
  }

  // Every control the keyboard reaches is named for assistive tools; on the result page
  // Tab goes round its buttons and never reaches the report.
  void keyboardAndNames() {
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    for (QWidget* w : form->findChildren<QWidget*>()) {
      if ((w->focusPolicy() & Qt::TabFocus) && !w->inherits("QTabBar"))
        QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
    }
    ClickTab(*form, Page::kResult);
    W("btnPrint")->setFocus();
    QSet<QString> reached;
    for (int i = 0; i < 6; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      reached << QApplication::focusWidget()->objectName();
      QVERIFY(!W<TWebBrowser>("WebReport")->isAncestorOf(QApplication::focusWidget()));
    }
    QVERIFY(reached.contains("btnPrint") && reached.contains("btnSave"));
  }
};

QTEST_MAIN(TestQuestionnaire)
#include "tst_questionnaire.moc"
