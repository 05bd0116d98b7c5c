// Hostile text in the two free-text boxes of the questionnaire: control characters,
// direction marks, markup, numbers that overflow, and 100,000 characters pasted at
// once. The boxes must keep whatever they are given, stay usable, and the report
// shown must be exactly the one the core writes for the same answers.
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QSlider>
#include <QStackedWidget>
#include <QTabBar>
#include <QTextBrowser>
#include <QTextDocument>
#include <QtTest>
#include <memory>

#include "globals.h"
#include "questionnaire/frmSolvara1.h"
#include "report/ReportText.h"
#include "shell/BrowserU.h"
#include "shell/MessageBoxes.h"
#include "tests/gui/support/Watchdog.h"

using namespace solvara;

namespace {

QString Repeated(const QString& piece, int count) {
  QString out;
  out.reserve(piece.size() * count);
  for (int i = 0; i < count; ++i)
    out += piece;
  return out;
}

// Every C0 control character and DEL, each followed by a digit.
QString ControlCharacters() {
  QString out;
  for (ushort c = 1; c < 0x20; ++c)
    out += QChar(c) + QString::number(c % 10);
  out += QChar(0x7f);
  return out;
}

// Characters from many scripts and classes, drawn with a fixed seed: digits of other
// scripts, combining marks, direction controls, characters outside the BMP.
QString MixedScripts(int length, quint32 seed) {
  static const char32_t kPool[] = {
      U'0',      U'9',      U' ',      U'.',          U',',          U'$',      U'-',
      U'+',      U'\u00A3', U'\u20AC', U'\u0662',     U'\u0664',     U'\uFF12', U'\u0301',
      U'\u200F', U'\u200E', U'\u202E', U'\u2067',     U'\u2069',     U'\u05D0', U'\u0627',
      U'\u4E2D', U'\uFEFF', U'\uFFFD', U'\U0001F4B0', U'\U0001F4DE', U'\u00A0', U'\u2028',
      U'<',      U'&',      U'%',      U'"'};
  QRandomGenerator random(seed);
  QString out;
  out.reserve(length + 1);
  while (out.size() < length) {
    const char32_t c = kPool[random.bounded(int(std::size(kPool)))];
    if (c > 0xFFFF && out.size() + 2 > length)
      continue;
    out += QString::fromUcs4(&c, 1);
  }
  return out;
}

// The report the core writes for these answers, rendered the way the view renders.
QString ExpectedRendering(const TAnswers& answers, const QTextDocument* like,
                          int32_t* incomeOut = nullptr) {
  int32_t income = 0;
  const std::string shown = ShownForm(ReportLinesFor(answers, income));
  if (incomeOut != nullptr)
    *incomeOut = income;
  QTextDocument doc;
  doc.setDefaultFont(like->defaultFont());
  doc.setDefaultStyleSheet(like->defaultStyleSheet());
  doc.setHtml(QString::fromUtf8(shown.data(), qsizetype(shown.size())));
  return doc.toHtml();
}

}  // namespace

class TestBadInput : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    SetMessagePresenter([this](QWidget*, BoxKind, const QString& text) { boxes_.append(text); });
  }
  void cleanupTestCase() { SetMessagePresenter({}); }

  void init() {
    boxes_.clear();
    form_ = std::make_unique<TSolvaraForm>();
    form_->resize(538, 380);
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    // A few answers besides the two boxes, so that the income shows in a full report.
    form_->tbAge->setValue(41);
    form_->rbMarried->setChecked(true);
    form_->rbOwner->setChecked(true);
    form_->tbYearsAtAddress->setValue(7);
    form_->lbOccupation->setCurrentRow(15);
    form_->tbTimeAtJob->setValue(9);
    form_->rbVisaYes->setChecked(true);
    form_->rbElectoralRegisterYes->setChecked(true);
  }
  void cleanup() { form_.reset(); }

  // Pasted over whatever the boxes held, the texts are kept as given and the report
  // is the core's for the same answers.
  void pastedTextOfAnyKind_data() {
    QTest::addColumn<QString>("salary");
    QTest::addColumn<QString>("telephone");
    QTest::newRow("plain") << QStringLiteral("24000") << QStringLiteral("01234 567890");
    QTest::newRow("control characters") << ControlCharacters() << ControlCharacters();
    QTest::newRow("nul inside") << (QStringLiteral("24") + QChar(0) + QStringLiteral("000"))
                                << (QStringLiteral("0") + QChar(0));
    QTest::newRow("direction marks") << QStringLiteral("\u200F24000\u200E")
                                     << QStringLiteral("\u202E0987654321\u202C\u2067\u2069");
    QTest::newRow("digits of other scripts")
        << QStringLiteral("\u0662\u0664\u0660\u0660\u0660") << QStringLiteral("\uFF10\uFF11");
    QTest::newRow("largest integer") << QStringLiteral("2147483647") << QStringLiteral("1");
    QTest::newRow("one past the largest") << QStringLiteral("2147483648") << QStringLiteral("1");
    QTest::newRow("twenty digits")
        << QStringLiteral("99999999999999999999") << QStringLiteral("99999999999999999999");
    QTest::newRow("negative") << QStringLiteral("-24000") << QStringLiteral("-");
    QTest::newRow("hexadecimal") << QStringLiteral("$7FFFFFFF") << QStringLiteral("0x10");
    QTest::newRow("currency and pence")
        << QStringLiteral("\u00A324,000.99") << QStringLiteral("\u20AC 24 000");
    QTest::newRow("markup") << QStringLiteral("<b>24000</b>")
                            << QStringLiteral("<script>alert(1)</script>&amp;</BODY>");
    QTest::newRow("format specifiers") << QStringLiteral("%s%n%x%1") << QStringLiteral("%n%n%n");
    QTest::newRow("blanks only") << QStringLiteral("     ") << QStringLiteral("\t \u00A0\u2028");
    QTest::newRow("outside the basic plane")
        << QStringLiteral("\U0001F4B024000") << QStringLiteral("\U0001F4DE");
    QTest::newRow("lone surrogates")
        << (QChar(0xD800) + QStringLiteral("24000")) << (QStringLiteral("1") + QChar(0xDC00));
  }
  void pastedTextOfAnyKind() {
    QFETCH(QString, salary);
    QFETCH(QString, telephone);
    PasteInto(form_->edSalary, QStringLiteral("replace me"), salary);
    PasteInto(form_->edTelephone, QStringLiteral("replace me"), telephone);
    if (!QTest::currentTestFailed())
      CheckReport(salary, telephone);
  }

  // 100,000 characters pasted into each box: kept whole, still editable, and the
  // report is right. Blanks before an amount are dropped by the coding, so a box
  // that kept only a prefix of the paste would show a different report.
  void hundredThousandCharactersPasted_data() {
    QTest::addColumn<QString>("salary");
    QTest::addColumn<QString>("telephone");
    QTest::newRow("blanks then a number")
        << (Repeated(QStringLiteral(" "), 99995) + QStringLiteral("30000"))
        << (Repeated(QStringLiteral(" "), 99999) + QStringLiteral("5"));
    QTest::newRow("digits") << Repeated(QStringLiteral("1"), 100000)
                            << Repeated(QStringLiteral("9"), 100000);
    QTest::newRow("mixed scripts") << MixedScripts(100000, 7) << MixedScripts(100000, 11);
  }
  void hundredThousandCharactersPasted() {
    QFETCH(QString, salary);
    QFETCH(QString, telephone);
    QCOMPARE(salary.size(), 100000);
    PasteInto(form_->edSalary, QString(), salary);
    PasteInto(form_->edTelephone, QString(), telephone);
    if (QTest::currentTestFailed())
      return;
    CheckReport(salary, telephone);
    if (QTest::currentTestFailed())
      return;

    // Editing the huge text by keyboard keeps the box and the report in step.
    QLineEdit* box = form_->edTelephone;
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Home);
    Type(box, QStringLiteral("7"));
    QTest::keyClick(box, Qt::Key_End);
    QTest::keyClick(box, Qt::Key_Backspace);
    QString edited = QStringLiteral("7") + telephone;
    edited.chop(1);
    if (telephone.back().isLowSurrogate())
      edited.chop(1);  // Backspace takes the whole character, not half of it
    QCOMPARE(box->text(), edited);
    QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
    CheckReport(salary, box->text());
  }

  // What a keyboard produces, typed key by key, including a text longer than a line
  // edit shows at once and characters a layout may give beside the digits.
  void typedText() {
    const QString salary =
        QStringLiteral("\u00A3 1,2\u200F3 4,5\u20AC6.789") + Repeated(QStringLiteral("0"), 300);
    const QString telephone = Repeated(QStringLiteral("(0) 12-34 \u05D0\u0627 "), 60);
    form_->CreditPages->setCurrentIndex(TSolvaraForm::kAboutYou);
    form_->edSalary->setFocus();
    Type(form_->edSalary, salary);
    form_->edTelephone->setFocus();
    Type(form_->edTelephone, telephone);
    QCOMPARE(form_->edSalary->text(), salary);
    QCOMPARE(form_->edTelephone->text(), telephone);
    CheckReport(salary, telephone);
  }

 private:
  // One key press and release per character, carrying the character as its text, as
  // a keyboard layout delivers characters that have no key of their own.
  static void Type(QWidget* box, const QString& text) {
    for (const char32_t c : text.toUcs4()) {
      const QString one = QString::fromUcs4(&c, 1);
      const int key = c < 0x80 ? int(QChar(char16_t(c)).toUpper().unicode()) : 0;
      QTest::sendKeyEvent(QTest::Click, box, Qt::Key(key), one, Qt::NoModifier);
    }
  }

  // Puts text into a box the way a user pastes: select everything, then Ctrl+V.
  void PasteInto(QLineEdit* box, const QString& before, const QString& text) {
    box->setText(before);
    QApplication::clipboard()->setText(text);
    QCOMPARE(QApplication::clipboard()->text(), text);
    box->setFocus();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(box->text().size(), text.size());
    QVERIFY2(box->text() == text, "the box changed the pasted text");
  }

  // Goes to the result by its tab, as a user would, and compares the report shown
  // with the core's for the same answers; then once more through Finish.
  void CheckReport(const QString& salary, const QString& telephone) {
    TSolvaraForm& form = *form_;
    TAnswers expected = form.Answers();
    // Compared as UTF-8: a lone surrogate has no UTF-8 form and comes out as "?".
    QCOMPARE(expected.Salary, salary.toStdString());
    QCOMPARE(expected.Telephone, telephone.toStdString());
    expected.Salary = salary.toStdString();
    expected.Telephone = telephone.toStdString();

    const QTextDocument* shown = form.WebReport->View()->document();
    int32_t income = -1;
    const QString want = ExpectedRendering(expected, shown, &income);

    QTest::mouseClick(form.CreditTabs, Qt::LeftButton, Qt::NoModifier,
                      form.CreditTabs->tabRect(TSolvaraForm::kResult).center());
    QCOMPARE(form.CreditPages->currentIndex(), int(TSolvaraForm::kResult));
    QCOMPARE(form.WebReport->View()->toHtml(), want);
    QCOMPARE(MonthlyIncome, income);

    form.CreditTabs->setCurrentIndex(TSolvaraForm::kMiscellaneous);
    form.WebReport->View()->clear();
    QTest::mouseClick(form.btnFinish, Qt::LeftButton);
    QCOMPARE(form.WebReport->View()->toHtml(), want);
    QCOMPARE(MonthlyIncome, income);
    QVERIFY2(boxes_.isEmpty(), qPrintable(boxes_.join(QLatin1Char('\n'))));
    QVERIFY(form.WebReport->View()->toPlainText().contains(QStringLiteral("Results")));
  }

  Watchdog watchdog_{"tst_badinput", std::chrono::seconds(100)};
  std::unique_ptr<TSolvaraForm> form_;
  QStringList boxes_;
};

QTEST_MAIN(TestBadInput)
#include "tst_badinput.moc"
