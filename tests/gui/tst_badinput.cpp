// Hostile text in the salary and telephone boxes: control characters, direction marks,
// a NUL, surrogates, other scripts' digits, 100,000 characters pasted at once. The
// boxes keep whatever they are given and stay editable, and the report shown is exactly
// the core's for the same answers.
#include <QtTest>
#include <QtWidgets>

#include "globals.h"
#include "questionnaire/form/frmSolvara1.h"
#include "platform/MessageBoxes.h"
#include "tests/gui/support/Controls.h"

using namespace solvara;
using namespace Qt::StringLiterals;

class TestBadInput : public QObject {
  Q_OBJECT

 private slots:
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
    TSolvaraForm form;
    form.show();
    for (const char* name : {"edSalary", "edTelephone"}) {
      auto* box = Child<QLineEdit>(&form, name);
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
    const TAnswers answers = form.Answers();
    QVERIFY(answers.Salary == (salary + typed).toStdString());
    QVERIFY(answers.Telephone == (telephone + typed).toStdString());
    ClickTab(form, TSolvaraForm::kResult);
    QCOMPARE(ShownReport(form), ExpectedShownReport(form, answers));
    QCOMPARE(MonthlyIncome, std::max(income, 0));
  }
};

QTEST_MAIN(TestBadInput)
#include "tst_badinput.moc"
