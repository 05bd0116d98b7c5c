#include "report/display/ReportOutput.h"

#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>

namespace solvara {

namespace {

const char* const kSaveDialogTitle = "Save Results";
const char* const kSaveDialogFilter = "HTML Files (*.htm *.html)";
const char* const kProposedFileName = "Results.htm";

// A directory below a device file: it can neither be read nor created, not even by
// root, so QSettings finds nothing there and quietly fails to write.
const char* const kNowhere = "/dev/null";

int noSettingsDepth = 0;

void PointUserSettingsAt(const QString& path) {
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, path);
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, path);
}

}  // namespace

void TNoUserSettingsScope::Enter() {
  if (noSettingsDepth++ == 0) {
    PointUserSettingsAt(QString::fromLatin1(kNowhere));
  }
}

void TNoUserSettingsScope::Leave() {
  if (noSettingsDepth > 0 && --noSettingsDepth == 0) {
    // Qt's own default for the user scope; nothing in this program sets another.
    PointUserSettingsAt(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
  }
}

TSaveReportDialog::TSaveReportDialog(QWidget* parent)
    : QFileDialog(parent), proposed_(QString::fromLatin1(kProposedFileName)) {
  setWindowTitle(QString::fromLatin1(kSaveDialogTitle));
  setAcceptMode(QFileDialog::AcceptSave);
  setFileMode(QFileDialog::AnyFile);
  setNameFilter(QString::fromLatin1(kSaveDialogFilter));
  // A name typed without an extension is used as typed, and an existing file is
  // replaced without asking.
  setDefaultSuffix(QString());
  setOption(QFileDialog::DontConfirmOverwrite, true);
  // Qt's own dialog: a desktop's native one may keep a list of recent files.
  setOption(QFileDialog::DontUseNativeDialog, true);
  selectFile(proposed_);
  TNoUserSettingsScope::Leave();
}

TSaveReportDialog::~TSaveReportDialog() {
  TNoUserSettingsScope::Enter();
}

QString TSaveReportDialog::InitialFileName() {
  return QString::fromLatin1(kProposedFileName);
}

void TSaveReportDialog::Remember(const QString& fileName) {
  proposed_ = fileName;
  selectFile(fileName);
}

QString TSaveReportDialog::Choose() {
  selectFile(proposed_);
  if (exec() != QDialog::Accepted) {
    return QString();
  }
  return selectedFiles().value(0);
}

bool WriteReportFile(const QString& fileName, const QByteArray& bytes) {
  if (fileName.isEmpty()) {
    return false;
  }
  QSaveFile file(fileName);
  if (!file.open(QIODevice::WriteOnly)) {
    return false;
  }
  // QSaveFile::commit() does not notice a failure of the final flush of its buffer
  // and would put a cut-off file in place of the old one; flush here and check.
  if (file.write(bytes) != bytes.size() || !file.flush() || file.error() != QFileDevice::NoError) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

}  // namespace solvara
