// The questionnaire page driven as a user would: mouse and keyboard on the offscreen
// platform, controls found by their names, the report compared with what the core
// writes for the same answers.
#include <qpa/qwindowsysteminterface.h>
#include <QtTest>
#include <QtWidgets>

#include "globals.h"
#include "platform/MessageBoxes.h"
#include "questionnaire/AnswerCoding.h"
#include "questionnaire/form/frmSolvara1.h"
#include "shell/browser/BrowserU.h"
#include "tests/gui/support/Controls.h"

using namespace solvara;
using Page = TSolvaraForm::Page;
using namespace Qt::StringLiterals;

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

  // Each slider, named by its question, shows the question table's words for its position,
  // to the eye and to listeners: its opening text until it first moves, then the words of
  // each position.
  void sliderWords() {
    const std::pair<const char*, const char*> sliders[] = {{"tbAge", "age"},
                                                           {"tbYearsAtAddress", "address-years"},
                                                           {"tbTimeAtJob", "job-years"},
                                                           {"tbChargeCardsHeld", "charge-cards"},
                                                           {"tbLiveAccounts", "live-accounts"}};
    for (const auto& [name, key] : sliders) {
      const TQuestion& question = QuestionFor(key);
      auto* slider = W<QSlider>(name);
      auto* label = W<QLabel>(QString(name).replace(0, 2, "lbl"));  // tbAge shows in lblAge
      QCOMPARE(slider->accessibleName(), QString::fromUtf8(question.Text));
      QCOMPARE(label->text().toStdString(), OpeningWords(question));
      for (int position = question.High; position >= question.Low; --position) {
        slider->setValue(position);
        QCOMPARE(label->text().toStdString(), ValueInWords(question, position));
        QCOMPARE(slider->accessibleDescription(), label->text());
      }
    }
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

  // Each button shows its caption and, chosen, gives its question the value of the
  // table's choice at its place in the row (what each value codes to: tests/cli); chosen
  // one after another, each row keeps only the last chosen in it, whatever the others do.
  void choices() {
    // clang-format off
    const char* const rows[][2] = {
        {"rbSingle", "Single"}, {"rbMarried", "Married"}, {"rbDivorced", "Divorced"},
        {"rbMaritalOther", "Other (Widowed / Partner ?)"}, {"rbTenant", "Tenant"},
        {"rbLivingWithParents", "Living with Parents"}, {"rbOwner", "Owner"},
        {"rbLocalAuthority", "Local Authority"}, {"rbOther", "Other"}, {"rbVisaYes", "Yes"},
        {"rbVisaNo", "No"}, {"rbMasterCardYes", "Yes"}, {"rbMasterCardNo", "No"},
        {"rbChequeCardYes", "Yes"}, {"rbChequeCardNo", "No"}, {"rbMissedPaymentsYes", "Yes"},
        {"rbMissedPaymentsNo", "No"}, {"rbDefaultedAccountsNo", "No"},
        {"rbDefaultedAccountsYes", "Yes"},
        {"rbDefaultedAccountsMorethan1", "Yes, on more than one account"}, {"rbCCJNo", "No"},
        {"rbCCJYes", "Yes"}, {"rbCCJMorethanone", "Yes, more than one"},
        {"rbSettledAccountsNo", "No"}, {"rbSettledAccounts1", "1"}, {"rbSettledAccounts2", "2"},
        {"rbSettledAccountsmoreThan2", "More than 2"}, {"rbElectoralRegisterNo", "No"},
        {"rbElectoralRegisterYes", "Yes"},
        {"rbElectoralRegisterOver5Years", "Yes but last registered over 5 years ago"}};
    // clang-format on
    QHash<QString, QRadioButton*> last;  // by question
    for (const auto& [name, caption] : rows) {
      auto* button = W<QRadioButton>(name);
      QCOMPARE(button->text(), caption);
      QCOMPARE(button->accessibleName(), caption);
      // Its question, by the description every button of a row carries, and its place.
      const QString asked = button->accessibleDescription();
      const auto found = std::find_if(Questions().begin(), Questions().end(),
                                      [&](const TQuestion& q) { return asked == q.Text; });
      QVERIFY2(found != Questions().end(), name);
      int place = 0;
      for (QRadioButton* other : form->findChildren<QRadioButton*>()) {
        if (other == button) {
          break;
        }
        place += other->accessibleDescription() == asked;
      }
      button->click();
      QCOMPARE(AnswerValue(*found, form->Answers()), found->Choices.at(place).Value);
      last[asked] = button;
    }
    for (QRadioButton* button : form->findChildren<QRadioButton*>()) {
      QVERIFY2(button->isChecked() == (last[button->accessibleDescription()] == button),
               qPrintable(button->objectName()));
    }
  }

  // Hostile text in the salary and telephone boxes: control characters, direction marks,
  // a NUL, surrogates, other scripts' digits, 100,000 characters pasted at once. The
  // boxes keep whatever they are given and stay editable, and the report shown is exactly
  // the core's for the same answers.
  void pastedThenTyped_data() {
    QTest::addColumn<QString>("salary");
    QTest::addColumn<QString>("telephone");
    QTest::addColumn<int>("income");  // -1: no usable salary
    QString controls;                 // every C0 control character and DEL, each before a digit
    for (char16_t c = 1; c <= 0x7f; c = c == 0x1f ? 0x7f : c + 1) {
      controls += QChar(c) + QString::number(c % 10);
    }
    QTest::newRow("plain") << u"24000"_s << u"01234 567890"_s << 2000;
    QTest::newRow("currency signs") << u"£24,000.99"_s << u"€ 24 000"_s << 2000;
    QTest::newRow("control characters") << controls << controls << -1;
    QTest::newRow("nul inside") << u"24\u0000000"_s << u"0\u0000"_s << -1;
    QTest::newRow("direction marks") << u"\u200F24000\u200E"_s << u"\u202E0\u2067\u2069"_s << -1;
    QTest::newRow("digits of other scripts") << u"٢٤٠٠٠"_s << u"０１"_s << -1;
    QTest::newRow("outside the basic plane") << u"\U0001F4B024000"_s << u"\U0001F4DE"_s << -1;
    QTest::newRow("lone surrogates") << QChar(0xD800) + u"24000"_s << u"1"_s + QChar(0xDC00) << -1;
    // Boxes that cut text at 32,767 characters once turned this salary into none.
    QTest::newRow("100,000: blanks, then an amount")
        << QString(99995, ' ') + u"30000"_s << QString(99999, ' ') + u"5"_s << 2500;
  }
  // Pasted over what the boxes held, then typed onto key by key after a full stop, which
  // ends the amount, with characters that a keyboard layout delivers without a key.
  void pastedThenTyped() {
    QFETCH(QString, salary);
    QFETCH(QString, telephone);
    QFETCH(int, income);
    const QString typed = u".7 £\u200Fא"_s;
    SetMessagePresenter([](QWidget*, BoxKind, const QString& text) { QFAIL(qPrintable(text)); });
    for (const char* name : {"edSalary", "edTelephone"}) {
      auto* box = W<QLineEdit>(name);
      const QString text = box->objectName() == "edSalary"_L1 ? salary : telephone;
      box->setText(u"replace me"_s);
      QApplication::clipboard()->setText(text);
      QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
      QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
      QVERIFY2(box->text() == text, "the box changed the pasted text");
      QTest::keyClick(box, Qt::Key_End);
      for (const QChar c : typed) {
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key(0), QString(c), Qt::NoModifier);
      }
    }
    const TAnswers answers = form->Answers();
    QVERIFY(answers.Salary == (salary + typed).toStdString());
    QVERIFY(answers.Telephone == (telephone + typed).toStdString());
    ClickTab(*form, Page::kResult);
    QCOMPARE(ShownReport(*form), ExpectedShownReport(*form, answers));
    QCOMPARE(MonthlyIncome, std::max(income, 0));
  }

  // On the result page Tab goes round its buttons and never reaches the report. (That
  // every control one can act on has a name: the real-window run, through the bus.)
  void keyboard() {
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
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
