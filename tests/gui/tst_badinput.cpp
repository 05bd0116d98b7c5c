// Hostile text in the salary and telephone boxes: control characters, direction marks,
// a NUL, lone surrogates, markup, numbers that overflow, 100,000 characters pasted at
// once. The boxes keep whatever they are given and stay editable, and the report shown,
// by the Result tab and by Finish, is exactly the core's for the same answers.
#include <QtTest>
#include <QtWidgets>

#include "globals.h"
#include "questionnaire/frmSolvara1.h"
#include "report/ReportText.h"
#include "shell/BrowserU.h"
#include "shell/MessageBoxes.h"
#include "tests/gui/support/Watchdog.h"

using namespace solvara;
using namespace Qt::StringLiterals;

class TestBadInput : public QObject {
  Q_OBJECT

 private slots:
  void pastedThenTyped_data() {
    QTest::addColumn<QString>("salary");
    QTest::addColumn<QString>("telephone");
    QTest::addColumn<int>("income");  // -1: whatever the core makes of the salary
    QString controls;                 // every C0 control character and DEL, each before a digit
    for (char16_t c = 1; c <= 0x7f; c = c == 0x1f ? 0x7f : c + 1)
      controls += QChar(c) + QString::number(c % 10);
    const QStringList pool =
        u"0|9| |.|,|$|-|+|£|€|٢|٤|２|\u0301|\u200F|\u200E|\u202E|\u2067|\u2069|א|ا|中"
        u"|\uFEFF|\uFFFD|\u00A0|\u2028|<|&|%|\"|\U0001F4B0|\U0001F4DE"_s.split('|');
    QString mixed;  // many scripts and classes, with characters outside the basic plane
    for (QRandomGenerator random(7); mixed.size() < 100000;)
      mixed += pool[random.bounded(int(pool.size()))];
    QTest::newRow("plain") << u"24000"_s << u"01234 567890"_s << 2000;
    QTest::newRow("control characters") << controls << controls << -1;
    QTest::newRow("nul inside") << u"24\u0000000"_s << u"0\u0000"_s << -1;
    QTest::newRow("direction marks") << u"\u200F24000\u200E"_s << u"\u202E0\u2067\u2069"_s << -1;
    QTest::newRow("digits of other scripts") << u"٢٤٠٠٠"_s << u"０１"_s << -1;
    QTest::newRow("overflow") << u"99999999999999999999"_s << u"2147483648"_s << -1;
    QTest::newRow("sign and base") << u"-24000"_s << u"$7FFFFFFF"_s << -1;
    QTest::newRow("currency and pence") << u"£24,000.99"_s << u"€ 24 000"_s << 2000;
    QTest::newRow("markup") << u"<b>24000</b>"_s << u"<script>x</script>&amp;</BODY>"_s << -1;
    QTest::newRow("printf formats") << u"%s%n%x%1"_s << u"%n%n%n"_s << -1;
    QTest::newRow("blanks only") << u"     "_s << u"\t \u00A0\u2028"_s << -1;
    QTest::newRow("outside the basic plane") << u"\U0001F4B024000"_s << u"\U0001F4DE"_s << -1;
    QTest::newRow("lone surrogates") << QChar(0xD800) + u"24000"_s << u"1"_s + QChar(0xDC00) << -1;
    // Boxes that cut text at 32,767 characters once turned this salary into none.
    QTest::newRow("100,000: blanks, then an amount")
        << QString(99995, ' ') + u"30000"_s << QString(99999, ' ') + u"5"_s << 2500;
    QTest::newRow("100,000 digits") << QString(100000, '1') << QString(100000, '9') << -1;
    QTest::newRow("100,000 mixed") << mixed << mixed << -1;
  }
  // Pasted over what the boxes held, then typed onto key by key after a full stop, which
  // ends the amount, with characters that a keyboard layout delivers without a key.
  void pastedThenTyped() {
    QFETCH(QString, salary);
    QFETCH(QString, telephone);
    QFETCH(int, income);
    const QString typed = u".7 £\u200Fא"_s;
    SetMessagePresenter([](QWidget*, BoxKind, const QString& text) { QFAIL(qPrintable(text)); });
    TSolvaraForm form;
    form.show();
    for (QLineEdit* box : {form.edSalary, form.edTelephone}) {
      Paste(box, box == form.edSalary ? salary : telephone);
      QTest::keyClick(box, Qt::Key_End);
      for (const QChar c : typed)
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key(0), QString(c), Qt::NoModifier);
    }
    CheckReport(form, salary + typed, telephone + typed, income);
  }

 private:
  // Over what the box held, as a user pastes: everything selected, then Ctrl+V.
  static void Paste(QLineEdit* box, const QString& text) {
    box->setText(u"replace me"_s);
    QApplication::clipboard()->setText(text);
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(box->text().size(), text.size());
    QVERIFY2(box->text() == text, "the box changed the pasted text");
  }

  // The report the core writes for the answers, rendered as the view renders, against
  // what the view shows after the Result tab and after Finish.
  static void CheckReport(TSolvaraForm& form, const QString& salary, const QString& telephone,
                          int income) {
    const TAnswers answers = form.Answers();
    QVERIFY(answers.Salary == salary.toStdString() && answers.Telephone == telephone.toStdString());
    int32_t coreIncome = -1;
    const std::string core = ShownForm(ReportLinesFor(answers, coreIncome));
    const std::unique_ptr<QTextDocument> want(form.WebReport->View()->document()->clone());
    want->setHtml(QString::fromStdString(core));
    QTest::mouseClick(form.CreditTabs, Qt::LeftButton, {},
                      form.CreditTabs->tabRect(TSolvaraForm::kResult).center());
    QCOMPARE(form.WebReport->View()->toHtml(), want->toHtml());
    form.CreditTabs->setCurrentIndex(TSolvaraForm::kMiscellaneous);
    form.WebReport->View()->clear();
    QTest::mouseClick(form.btnFinish, Qt::LeftButton);
    QCOMPARE(form.WebReport->View()->toHtml(), want->toHtml());
    QCOMPARE(MonthlyIncome, coreIncome);
    QVERIFY(income < 0 || income == coreIncome);
  }

  Watchdog watchdog_{"tst_badinput", std::chrono::seconds(100)};
};

QTEST_MAIN(TestBadInput)
#include "tst_badinput.moc"
