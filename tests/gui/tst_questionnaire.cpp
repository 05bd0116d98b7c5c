// The questionnaire page driven as a user would: mouse and keyboard on the offscreen
// platform, controls found by their names, the report compared with what the core
// writes for the same answers.
#include <qpa/qwindowsysteminterface.h>
#include <QtTest>
#include <QtWidgets>

#include "globals.h"
#include "questionnaire/AnswerCoding.h"
#include "questionnaire/form/frmSolvara1.h"
#include "shell/browser/BrowserU.h"
#include "tests/gui/support/Controls.h"

using namespace solvara;
using Page = TSolvaraForm::Page;

class TestQuestionnaire : public QObject {
  Q_OBJECT

  std::unique_ptr<TSolvaraForm> form;
  int wheelsOnStrip = 0;

  bool eventFilter(QObject*, QEvent* event) override {
    wheelsOnStrip += event->type() == QEvent::Wheel;
    return false;
  }

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
    for (size_t i = 0; i < names.size(); ++i) {
      out += QString::fromStdString(names[i] + "=" + values[i] + " ");
    }
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

  // The wheel over the tab strip moves nothing (onto "Result " it would build a report),
  // delivered as the platform delivers it: to the window, at a point over the strip.
  void theWheelLeavesTheStrip() {
    QSignalSpy built(form.get(), &TSolvaraForm::ReportShown);
    ClickTab(*form, Page::kMiscellaneous);
    auto* tabs = W<QTabBar>("CreditTabs");
    tabs->installEventFilter(this);
    const QPointF at = tabs->mapTo(form.get(), tabs->tabRect(Page::kResult).center());
    for (int notch : {-120, 120, -120, -120}) {
      QWindowSystemInterface::handleWheelEvent(form->windowHandle(), at, form->mapToGlobal(at), {},
                                               {0, notch});
    }
    QWindowSystemInterface::flushWindowSystemEvents();
    QCOMPARE(wheelsOnStrip, 4);
    ExpectPage(Page::kMiscellaneous);
    QCOMPARE(built.count(), 0);
  }

  // Position -1 leaves a slider at its start, where three labels differ from the rule.
  void sliderWords_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("text");
    // clang-format off
    const std::tuple<const char*, int, const char*> rows[] = {
        {"tbAge", -1, "18 Years Old"}, {"tbAge", 66, "Over 65 Years Old"},
        {"tbAge", 65, "65 Years Old"}, {"tbYearsAtAddress", -1, "Less than 1 Year"},
        {"tbYearsAtAddress", 21, "Over 20 years"}, {"tbYearsAtAddress", 1, "1 year"},
        {"tbYearsAtAddress", 7, "7 years"}, {"tbYearsAtAddress", 0, "Less than 1 year"},
        {"tbTimeAtJob", -1, "Less than 1 Year"}, {"tbTimeAtJob", 21, "Over 20 years"},
        {"tbTimeAtJob", 0, "Less than a year"}, {"tbChargeCardsHeld", -1, "None"},
        {"tbChargeCardsHeld", 6, "Over 5 charge cards"}, {"tbChargeCardsHeld", 2, "2 charge cards"},
        {"tbChargeCardsHeld", 0, "No cards held"}, {"tbLiveAccounts", -1, "None"},
        {"tbLiveAccounts", 9, "Over 8 live accounts"}, {"tbLiveAccounts", 4, "4 live accounts"},
        {"tbLiveAccounts", 1, "1 live account"}};
    // clang-format on
    for (const auto& [slider, position, text] : rows) {
      QTest::addRow("%s %d", slider, position) << position << text;
    }
  }
  void sliderWords() {
    QFETCH(int, position);
    QFETCH(QString, text);
    const QString slider = QString(QTest::currentDataTag()).section(' ', 0, 0);
    if (position >= 0) {
      W<QSlider>(slider)->setValue(position == 0 ? 1 : 0);  // from elsewhere, so that it moves
      W<QSlider>(slider)->setValue(position);
    }
    QCOMPARE(W<QLabel>("lbl" + slider.mid(2))->text(), text);  // tbAge shows in lblAge
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
    // clang-format off
    const char* const rows[][3] = {
        {"rbSingle", "Single", ""}, {"rbMarried", "Married", "MaritalStatus=M"},
        {"rbDivorced", "Divorced", "MaritalStatus=W"},
        {"rbMaritalOther", "Other (Widowed / Partner ?)", "MaritalStatus=X"},
        {"rbTenant", "Tenant", "ResidentialStatus=T"},
        {"rbLivingWithParents", "Living with Parents", "ResidentialStatus=P"},
        {"rbOwner", "Owner", "ResidentialStatus=O"},
        {"rbLocalAuthority", "Local Authority", "ResidentialStatus=A"},
        {"rbOther", "Other", "ResidentialStatus=X"}, {"rbVisaYes", "Yes", "VisaCardHeld=Y"},
        {"rbVisaNo", "No", ""}, {"rbMasterCardYes", "Yes", "AccessMastercardHeld=Y"},
        {"rbMasterCardNo", "No", ""}, {"rbChequeCardYes", "Yes", "ChequeCardHeld=Y"},
        {"rbChequeCardNo", "No", ""}, {"rbMissedPaymentsYes", "Yes", "WorstStatusofLiveAccounts=2"},
        {"rbMissedPaymentsNo", "No", ""}, {"rbDefaultedAccountsNo", "No", ""},
        {"rbDefaultedAccountsYes", "Yes", "DefaultAccounts=1"},
        {"rbDefaultedAccountsMorethan1", "Yes, on more than one account", "DefaultAccounts=2"},
        {"rbCCJNo", "No", ""}, {"rbCCJYes", "Yes", "CCJS=1"},
        {"rbCCJMorethanone", "Yes, more than one", "CCJS=2"}, {"rbSettledAccountsNo", "No", ""},
        {"rbSettledAccounts1", "1", "SettledCreditAccounts=1"},
        {"rbSettledAccounts2", "2", "SettledCreditAccounts=2"},
        {"rbSettledAccountsmoreThan2", "More than 2", "SettledCreditAccounts=3"},
        {"rbElectoralRegisterNo", "No", ""},
        {"rbElectoralRegisterYes", "Yes", "NamesMatchingonElectoralRoll=1"},
        {"rbElectoralRegisterOver5Years", "Yes but last registered over 5 years ago",
         "NamesMatchingonElectoralRoll=1 YearsSinceLastRegistered=6"}};
    // clang-format on
    for (const auto& [button, caption, coded] : rows) {
      QTest::newRow(button) << caption << coded;
    }
  }
  void choices() {
    QFETCH(QString, caption);
    QFETCH(QString, coded);
    auto* button = W<QRadioButton>(QTest::currentDataTag());
    QCOMPARE(button->text(), caption);
    QCOMPARE(button->accessibleName(), caption);
    button->click();
    QStringList entries = Coded(form->Answers()).split(' ', Qt::SkipEmptyParts);
    for (const QString& start : Coded(TAnswers{}).split(' ', Qt::SkipEmptyParts)) {
      entries.removeOne(start);
    }
    QCOMPARE(entries.join(' '), coded);
  }

  // A choice in each of the ten groups stays; choosing again moves it in its group only.
  void radioGroupsAreIndependent() {
    // clang-format off
    const char* const chosen[] = {"rbMarried", "rbOwner", "rbVisaNo", "rbMasterCardYes",
        "rbChequeCardNo", "rbMissedPaymentsYes", "rbCCJYes", "rbSettledAccounts2",
        "rbDefaultedAccountsMorethan1", "rbElectoralRegisterOver5Years", "rbVisaYes", "rbVisaYes"};
    // clang-format on
    for (const char* name : chosen) {
      W<QRadioButton>(name)->click();
    }
    for (const char* name : chosen) {
      QVERIFY2(W<QRadioButton>(name)->isChecked() != (QLatin1String(name) == "rbVisaNo"), name);
    }
  }

  // Every control the keyboard reaches is named for assistive tools; on the result page
  // Tab goes round its buttons and never reaches the report.
  void keyboardAndNames() {
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    for (QWidget* w : form->findChildren<QWidget*>()) {
      if ((w->focusPolicy() & Qt::TabFocus) && !w->inherits("QTabBar")) {
        QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
      }
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
