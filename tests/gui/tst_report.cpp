// The result page's Print and Save as HTML, with the save dialog and the message
// boxes stood in for or driven from a timer, under a private, empty home folder.
#include <sys/resource.h>
#include <unistd.h>
#include <QApplication>
#include <QDirIterator>
#include <QFileDialog>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSlider>
#include <QStandardPaths>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>
#include <csignal>
#include <memory>

#include "globals.h"
#include "questionnaire/frmSolvara1.h"
#include "report/ReportOutput.h"
#include "report/ReportText.h"
#include "shell/BrowserU.h"
#include "shell/MessageBoxes.h"

using namespace solvara;

namespace {

// Set up in main before the application exists, so that Qt takes its folders from it.
QTemporaryDir* g_home = nullptr;

QString ConfigFolder() {
  return g_home->filePath(QStringLiteral("config"));
}

QStringList FilesUnder(const QString& folder) {
  QStringList files;
  QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    files << it.next();
  }
  return files;
}

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  QCOMPARE(file.write(bytes), bytes.size());
}

struct Message {
  BoxKind kind;
  QString text;
};

}  // namespace

class TestReport : public QObject {
  Q_OBJECT

  std::unique_ptr<TSolvaraForm> form;
  QList<Message> messages;
  std::unique_ptr<QTemporaryDir> out;

  // The saved form the core writes for the answers the page holds now.
  QByteArray ExpectedFile() {
    int32_t income = 0;
    const std::string saved = SavedForm(ReportLinesFor(form->Answers(), income));
    return QByteArray::fromStdString(saved);
  }

  // Saves through the button, the dialog answered with the given name.
  void SaveAs(const QString& fileName) {
    form->SetSaveFileChooser([fileName](TSaveReportDialog&) { return fileName; });
    QTest::mouseClick(form->btnSave, Qt::LeftButton);
  }

  void ExpectOnly(BoxKind kind, const char* text) {
    QCOMPARE(messages.size(), 1);
    QVERIFY(messages.first().kind == kind);
    QCOMPARE(messages.first().text, QString::fromUtf8(text));
  }

  // Runs once the next modal window is up (the real save dialog).
  void WhenModal(std::function<void(QWidget*)> act) {
    auto* timer = new QTimer(this);
    timer->setInterval(10);
    connect(timer, &QTimer::timeout, this, [timer, act] {
      if (QWidget* modal = QApplication::activeModalWidget()) {
        timer->stop();
        timer->deleteLater();
        act(modal);
      }
    });
    timer->start();
  }

  std::unique_ptr<TSolvaraForm> NewPageOnTheResult() {
    auto page = std::make_unique<TSolvaraForm>();
    page->resize(538, 380);
    page->show();
    page->CreditTabs->setCurrentIndex(TSolvaraForm::kAddress);
    page->rbOwner->click();
    page->CreditTabs->setCurrentIndex(TSolvaraForm::kAboutYou);
    page->edSalary->setText(QStringLiteral("\u00a326,400"));
    page->rbMarried->click();
    page->tbAge->setValue(44);
    page->CreditTabs->setCurrentIndex(TSolvaraForm::kResult);
    return page;
  }

 private slots:
  void initTestCase() {
    SetMessagePresenter([this](QWidget*, BoxKind kind, const QString& text) {
      messages.append({kind, text});
    });
  }

  void cleanupTestCase() { SetMessagePresenter({}); }

  void init() {
    messages.clear();
    out = std::make_unique<QTemporaryDir>();
    QVERIFY(out->isValid());
    form = NewPageOnTheResult();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
  }

  void cleanup() {
    form.reset();
    out.reset();
  }

  void savingWritesTheSavedFormOfTheAnswers() {
    const QString path = out->filePath(QStringLiteral("Results.htm"));
    SaveAs(path);
    ExpectOnly(BoxKind::Information, "Report saved.");
    const QByteArray saved = ReadAll(path);
    QCOMPARE(saved, ExpectedFile());
    QVERIFY(saved.startsWith("<HTML><BODY><H1><u>Results</u></H1>\r\n"));
    QVERIFY(saved.contains("If it were a credit card application"));
    QCOMPARE(MonthlyIncome, 2200);

    // Saved afresh from the answers as they are at the moment of saving.
    form->edSalary->clear();
    messages.clear();
    SaveAs(path);
    ExpectOnly(BoxKind::Information, "Report saved.");
    QCOMPARE(ReadAll(path), ExpectedFile());
    QVERIFY(ReadAll(path).contains("could not be estimated"));
  }

  void anExistingFileIsReplacedWhole() {
    const QString path = out->filePath(QStringLiteral("old.html"));
    WriteAll(path, QByteArray(100000, 'x'));
    SaveAs(path);
    ExpectOnly(BoxKind::Information, "Report saved.");
    QCOMPARE(ReadAll(path), ExpectedFile());
  }

  void aNameWithoutExtensionIsUsedAsTyped() {
    const QString path = out->filePath(QStringLiteral("report"));
    SaveAs(path);
    ExpectOnly(BoxKind::Information, "Report saved.");
    QCOMPARE(QDir(out->path()).entryList(QDir::Files), QStringList{QStringLiteral("report")});
    QCOMPARE(ReadAll(path), ExpectedFile());
  }

  void cancellingWritesAndShowsNothing() {
    // The answers are coded before the dialog, whatever the user then does.
    MonthlyIncome = -1;
    SaveAs(QString());
    QVERIFY(messages.isEmpty());
    QVERIFY(FilesUnder(out->path()).isEmpty());
    QCOMPARE(MonthlyIncome, 2200);
  }

  void anUnwritableTargetGivesTheErrorBox() {
    SaveAs(out->filePath(QStringLiteral("missing/Results.htm")));
    ExpectOnly(BoxKind::Error, "An error occurred saving the report");
    QVERIFY(FilesUnder(out->path()).isEmpty());

    // A folder where the file should go stays a folder, its content untouched.
    const QString folder = out->filePath(QStringLiteral("folder.htm"));
    QVERIFY(QDir().mkdir(folder));
    WriteAll(folder + QStringLiteral("/inside"), "kept");
    messages.clear();
    SaveAs(folder);
    ExpectOnly(BoxKind::Error, "An error occurred saving the report");
    QVERIFY(QFileInfo(folder).isDir());
    QCOMPARE(ReadAll(folder + QStringLiteral("/inside")), QByteArray("kept"));
  }

  void aWriteThatFailsHalfwayLeavesTheOldFileWhole() {
    const QString path = out->filePath(QStringLiteral("Results.htm"));
    const QByteArray old = QByteArray("<html>the report saved last week</html>\r\n").repeated(8);
    WriteAll(path, old);

    // Files may grow to 64 bytes only: the report is longer, so its writing fails
    // part of the way through.
    struct rlimit saved {};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit tiny = saved;
    tiny.rlim_cur = 64;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    SaveAs(path);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    ExpectOnly(BoxKind::Error, "An error occurred saving the report");
    QCOMPARE(ReadAll(path), old);
    QCOMPARE(FilesUnder(out->path()), QStringList{path});
    QVERIFY(ExpectedFile().size() > 64);
  }

  void theDialogProposesTheNameLastChosen() {
    QStringList proposed;
    QString answer = out->filePath(QStringLiteral("first.htm"));
    form->SetSaveFileChooser([&](TSaveReportDialog& dialog) {
      proposed << QFileInfo(dialog.selectedFiles().value(0)).fileName();
      return answer;
    });
    QTest::mouseClick(form->btnSave, Qt::LeftButton);
    answer = out->filePath(QStringLiteral("second"));
    QTest::mouseClick(form->btnSave, Qt::LeftButton);
    QTest::mouseClick(form->btnSave, Qt::LeftButton);
    QCOMPARE(proposed, (QStringList{QStringLiteral("Results.htm"), QStringLiteral("first.htm"),
                                    QStringLiteral("second")}));
    QCOMPARE(form->ProposedFileName(), answer);

    // A new page starts again from the usual name.
    form = NewPageOnTheResult();
    QCOMPARE(form->ProposedFileName(), QStringLiteral("Results.htm"));
  }

  void theRealDialogAsksAndSaves() {
    const QString path = out->filePath(QStringLiteral("chosen"));
    bool checked = false;
    WhenModal([&](QWidget* modal) {
      auto* dialog = qobject_cast<QFileDialog*>(modal);
      QVERIFY(dialog != nullptr);
      QCOMPARE(dialog->windowTitle(), QStringLiteral("Save Results"));
      QCOMPARE(dialog->nameFilters(), QStringList{QStringLiteral("HTML Files (*.htm *.html)")});
      QVERIFY(dialog->acceptMode() == QFileDialog::AcceptSave);
      QVERIFY(dialog->testOption(QFileDialog::DontConfirmOverwrite));
      QVERIFY(dialog->testOption(QFileDialog::DontUseNativeDialog));
      QVERIFY(dialog->defaultSuffix().isEmpty());
      QCOMPARE(QFileInfo(dialog->selectedFiles().value(0)).fileName(),
               QStringLiteral("Results.htm"));
      checked = true;
      dialog->selectFile(path);
      static_cast<QDialog*>(dialog)->accept();
    });
    QTest::mouseClick(form->btnSave, Qt::LeftButton);
    QVERIFY(checked);
    ExpectOnly(BoxKind::Information, "Report saved.");
    QCOMPARE(ReadAll(path), ExpectedFile());

    // Cancelled the second time: it proposed the last name, and nothing happens.
    QString offered;
    WhenModal([&](QWidget* modal) {
      auto* dialog = qobject_cast<QFileDialog*>(modal);
      QVERIFY(dialog != nullptr);
      offered = dialog->selectedFiles().value(0);
      dialog->reject();
    });
    messages.clear();
    QFile::remove(path);
    QTest::mouseClick(form->btnSave, Qt::LeftButton);
    QCOMPARE(offered, path);
    QVERIFY(messages.isEmpty());
    QVERIFY(FilesUnder(out->path()).isEmpty());
  }

  void printingPrintsTheShownReport() {
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty()) {
      QSKIP("pdftotext (poppler-utils) is not installed");
    }
    const QString pdf = out->filePath(QStringLiteral("report.pdf"));
    int dialogs = 0;
    TWebBrowser::SetPrintDialogHook([&](QPrinter* printer, QWidget*) {
      ++dialogs;
      printer->setOutputFormat(QPrinter::PdfFormat);
      printer->setOutputFileName(pdf);
      return true;
    });
    const QString shownBefore = form->WebReport->View()->toPlainText();
    QTest::mouseClick(form->btnPrint, Qt::LeftButton);
    TWebBrowser::SetPrintDialogHook({});
    QCOMPARE(dialogs, 1);

    QProcess process;
    process.start(pdftotext, {pdf, QStringLiteral("-")});
    QVERIFY(process.waitForFinished(30000));
    const QString text = QString::fromUtf8(process.readAllStandardOutput());
    QVERIFY2(text.contains(QStringLiteral("Results")), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("Your rating is considered to be")));
    QVERIFY(text.contains(shownBefore.contains(QStringLiteral("accepted"))
                              ? QStringLiteral("accepted")
                              : QStringLiteral("declined")));
    // Printing recomputes nothing and changes nothing shown.
    QCOMPARE(form->WebReport->View()->toPlainText(), shownBefore);
    QVERIFY(messages.isEmpty());

    // Cancelled in the dialog: nothing is printed.
    const QString second = out->filePath(QStringLiteral("cancelled.pdf"));
    TWebBrowser::SetPrintDialogHook([&](QPrinter* printer, QWidget*) {
      printer->setOutputFormat(QPrinter::PdfFormat);
      printer->setOutputFileName(second);
      return false;
    });
    QTest::mouseClick(form->btnPrint, Qt::LeftButton);
    TWebBrowser::SetPrintDialogHook({});
    QVERIFY(!QFile::exists(second));
  }

  // Last: by now pages with save dialogs have come and gone.
  void nothingIsKeptInTheUserConfiguration() {
    WhenModal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    QTest::mouseClick(form->btnSave, Qt::LeftButton);
    QVERIFY(form->dlgSaveHTML != nullptr);
    form.reset();
    QCOMPARE(FilesUnder(ConfigFolder()), QStringList());
    QCOMPARE(FilesUnder(g_home->filePath(QStringLiteral("home"))), QStringList());

    // Without the precaution, Qt's dialog does leave its history behind: the check
    // above would have seen it.
    QTemporaryDir elsewhere;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, elsewhere.path());
    { QFileDialog plain; }
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, ConfigFolder());
    QVERIFY(QFile::exists(elsewhere.filePath(QStringLiteral("QtProject.conf"))));
    QCOMPARE(FilesUnder(ConfigFolder()), QStringList());
  }
};

int main(int argc, char** argv) {
  // Whatever happens, the test ends: a hang would otherwise hold up the whole run.
  alarm(90);
  QTemporaryDir home;
  g_home = &home;
  QDir().mkpath(home.filePath(QStringLiteral("home")));
  qputenv("HOME", home.filePath(QStringLiteral("home")).toLocal8Bit());
  qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toLocal8Bit());
  qputenv("XDG_CACHE_HOME", home.filePath(QStringLiteral("cache")).toLocal8Bit());
  qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toLocal8Bit());
  QApplication app(argc, argv);
  TestReport test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_report.moc"
