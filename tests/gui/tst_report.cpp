// The result page's Print and Save as HTML, run under a private, empty home folder.
#include <sys/resource.h>
#include <QtTest>
#include <QtWidgets>
#include <csignal>

#include "globals.h"
#include "platform/MessageBoxes.h"
#include "questionnaire/form/frmSolvara1.h"
#include "report/Explain.h"
#include "shell/browser/BrowserU.h"
#include "tests/gui/support/Controls.h"

using namespace solvara;

namespace {

QTemporaryDir* g_home = nullptr;  // set in main, before Qt reads its folders

QStringList Entries(const QString& folder) {
  return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class TestReport : public QObject {
  Q_OBJECT

  std::unique_ptr<TSolvaraForm> form;
  QStringList messages;  // kind and text of every message box
  std::unique_ptr<QTemporaryDir> out;

  // The saved form the core writes for the answers the page holds now.
  QByteArray ExpectedFile() { return ExpectedSavedReport(form->Answers()); }
  void Click(const char* button) {
    QTest::mouseClick(Child<QPushButton>(form.get(), button), Qt::LeftButton);
  }
  // The browsers a click on the button asked to print.
  static QList<QWidget*> PrintAsked(QPushButton* button) {
    QList<QWidget*> asked;
    TWebBrowser::SetPrintDialogHook([&asked](QPrinter*, QWidget* parent) {
      asked << parent;
      return false;
    });
    QTest::mouseClick(button, Qt::LeftButton);
    TWebBrowser::SetPrintDialogHook({});
    return asked;
  }

 private slots:
  void initTestCase() {
    SetMessagePresenter([this](QWidget*, BoxKind kind, const QString& text) {
      const char* const kinds[] = {"Plain", "Information", "Error"};
      messages << kinds[static_cast<int>(kind)] + QString(": ") + text;
    });
  }
  void init() {
    messages.clear();
    out = std::make_unique<QTemporaryDir>();
    form = std::make_unique<TSolvaraForm>();
    Child<QLineEdit>(form.get(), "edSalary")->setText("\u00a326,400");
    Child<QTabBar>(form.get(), "CreditTabs")->setCurrentIndex(TSolvaraForm::kResult);
  }

  // An existing file is replaced whole by the saved form of the answers as they are
  // when saving; a failed write shows only the error box and leaves the file as it was.
  void saving_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("sizeLimit");  // for files written, 0 for none
    QTest::newRow("replaced") << "old.html" << 0;
    QTest::newRow("missing folder") << "missing/Results.htm" << 0;
    QTest::newRow("write fails part way") << "Results.htm" << 64;
  }
  void saving() {
    QFETCH(QString, name);
    QFETCH(int, sizeLimit);
    const QString path = out->filePath(name);
    const QByteArray before = name.contains('/') ? QByteArray() : QByteArray(100000, 'x');
    QFile old(path);
    QVERIFY(before.isEmpty() || (old.open(QIODevice::WriteOnly) && old.write(before) > 0));
    old.close();
    Child<QLineEdit>(form.get(), "edSalary")
        ->clear();  // the shown report had a salary; the saved one must not
    struct rlimit limits {};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &limits), 0);
    const rlim_t usual = limits.rlim_cur;
    limits.rlim_cur = sizeLimit > 0 ? sizeLimit : usual;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limits), 0);
    form->SetSaveFileChooser([path](TSaveReportDialog&) { return path; });
    Click("btnSave");
    limits.rlim_cur = usual;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limits), 0);
    const bool fails = sizeLimit > 0 || before.isEmpty();
    QCOMPARE(messages, QStringList{fails ? "Error: An error occurred saving the report"
                                         : "Information: Report saved."});
    QCOMPARE(ReadAll(path), fails ? before : ExpectedFile());
    QCOMPARE(Entries(out->path()), before.isEmpty() ? QStringList() : QStringList{name});
  }

  // "Why?" explains the answers the report was built from (an answer changed since is not
  // among them) in the words --explain prints, and prints its own document; the report
  // shown and the file saved stay as they were. Print asks the report's own browser, which
  // prints what it shows (tst_browser).
  void whyExplainsTheReportsAnswers() {
    QCOMPARE(PrintAsked(Child<QPushButton>(form.get(), "btnPrint")),
             QList<QWidget*>{Child<TWebBrowser>(form.get(), "WebReport")});
    const TAnswers reported = form->Answers();
    const QString report = ShownReport(*form);
    Child<QLineEdit>(form.get(), "edTelephone")->setText("0123");
    Click("btnWhy");
    auto* dialog = Child<QDialog>(form.get(), "dlgWhy");
    auto* why = Child<TWebBrowser>(dialog, "WebWhy");
    QVERIFY(dialog->isVisible());
    const auto words = [](const QString& text) {
      return text.split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
    };
    const std::string expected = ExplanationText(Explain(reported, TCCScore()));
    QVERIFY(expected.find("(not answered)") != std::string::npos);
    QCOMPARE(words(why->View()->toPlainText()), words(QString::fromStdString(expected)));
    QCOMPARE(PrintAsked(Child<QPushButton>(dialog, "btnWhyPrint")), QList<QWidget*>{why});
    QCOMPARE(ShownReport(*form), report);
    const QString path = out->filePath("Results.htm");
    form->SetSaveFileChooser([path](TSaveReportDialog&) { return path; });
    Click("btnSave");
    QCOMPARE(ReadAll(path), ExpectedFile());
    QCOMPARE(messages, QStringList{"Information: Report saved."});  // and none for printing
  }

  // The real dialog: its settings; a name without extension used as typed and proposed
  // next time; cancel writes and shows nothing; a new page proposes "Results.htm".
  void theDialog() {
    QStringList seen;
    for (const QString name : {"chosen", "cancelled"}) {
      QTimer::singleShot(0, this, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog != nullptr);
        seen << QStringList{dialog->windowTitle(), dialog->nameFilters().join(';'),
                            dialog->defaultSuffix(),
                            QFileInfo(dialog->selectedFiles().value(0)).fileName()}
                    .join('|');
        QVERIFY(dialog->testOption(QFileDialog::DontConfirmOverwrite));
        dialog->selectFile(out->filePath(name));
        name == "chosen" ? static_cast<QDialog*>(dialog)->accept() : dialog->reject();
      });
      MonthlyIncome = -1;  // the answers are coded before the dialog, whatever then happens
      Click("btnSave");
      QCOMPARE(MonthlyIncome, 2200);
    }
    const QString settings = "Save Results|HTML Files (*.htm *.html)||";
    QCOMPARE(seen, (QStringList{settings + "Results.htm", settings + "chosen"}));
    QCOMPARE(messages, QStringList{"Information: Report saved."});
    QCOMPARE(Entries(out->path()), QStringList{"chosen"});
    QCOMPARE(ReadAll(out->filePath("chosen")), ExpectedFile());
    form = std::make_unique<TSolvaraForm>();
    QCOMPARE(form->ProposedFileName(), "Results.htm");
    form.reset();
    QCOMPARE(Entries(g_home->filePath("home")), QStringList());  // no settings written
  }
};

int main(int argc, char** argv) {
  QTemporaryDir home;
  g_home = &home;
  qputenv("HOME", home.filePath("home").toLocal8Bit());
  qputenv("XDG_CONFIG_HOME", home.filePath("home/.config").toLocal8Bit());
  qputenv("XDG_CACHE_HOME", home.filePath("cache").toLocal8Bit());
  std::signal(SIGXFSZ, SIG_IGN);  // a write past the file size limit fails instead
  QApplication app(argc, argv);
  TestReport test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_report.moc"
