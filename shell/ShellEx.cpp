#include "shell/ShellEx.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>
#include <cerrno>

#include "platform/MessageBoxes.h"

namespace solvara {

namespace {

// The longest the window waits on the opener, start and finish together: enough for
// xdg-open to hand over to a desktop that answers at once, or to say that it has no
// tool or no file. Some openers keep running as long as the program they started
// (xdg-open runs a browser in the foreground where the desktop has no opener of its
// own); those count as launched once the time is up.
constexpr int kLaunchWaitMs = 250;

ShellLauncher& Launcher() {
  static ShellLauncher launcher;
  return launcher;
}

bool LooksLikeAddress(const QString& name) {
  // Two letters at least, so that a path such as "a:b" is not taken for one.
  static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
  return scheme.match(name).hasMatch();
}

// What a missing or closed local path means, as a result code; kShellSuccess when
// the path is there and readable.
int CheckLocalPath(const QString& path) {
  const QByteArray native = QFile::encodeName(path);
  struct stat info;
  if (::stat(native.constData(), &info) != 0) {
    switch (errno) {
      case EACCES:
        return kShellAccessDenied;
      case ENOTDIR:
        return kShellPathNotFound;
      case ENOENT:
        return QFileInfo(QFileInfo(path).absolutePath()).isDir() ? kShellFileNotFound
                                                                 : kShellPathNotFound;
      case ENOMEM:
        return kShellOutOfResources;
      default:
        return kShellFileNotFound;
    }
  }
  if (::access(native.constData(), R_OK) != 0) {
    return kShellAccessDenied;
  }
  return kShellSuccess;
}

int CodeForOpenerExit(int exitCode) {
  // xdg-open: 0 done, 2 file missing, 1 bad arguments, 3 no tool, 4 action failed.
  switch (exitCode) {
    case 0:
      return kShellSuccess;
    case 2:
      return kShellFileNotFound;
    default:
      return kShellNoAssociation;
  }
}

QString FolderPart(const QString& name) {
  return name.left(name.lastIndexOf(QLatin1Char('/')) + 1);
}

}  // namespace

int DesktopLaunch(const QString& name) {
  QString target = name;
  if (!LooksLikeAddress(name) || name.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
    const QString path =
        LooksLikeAddress(name) ? QUrl(name).toLocalFile() : QFileInfo(name).absoluteFilePath();
    const int code = CheckLocalPath(path);
    if (code != kShellSuccess) {
      return code;
    }
    target = path;
  }

  const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
  if (opener.isEmpty()) {
    return kShellNoAssociation;
  }
  // The application holds the opener until it ends, whenever that is; QProcess reaps
  // it then, and one still running when the program ends is ended with it.
  auto* process = new QProcess(QCoreApplication::instance());
  QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
  process->setStandardOutputFile(QProcess::nullDevice());
  process->setStandardErrorFile(QProcess::nullDevice());
  const QDeadlineTimer deadline(kLaunchWaitMs);
  process->start(opener, {target});
  if (!process->waitForStarted(int(deadline.remainingTime()))) {
    if (process->state() == QProcess::NotRunning) {  // it could not be started at all
      delete process;
      return kShellOutOfResources;
    }
    return kShellSuccess;  // still starting: as good as still running
  }
  if (!process->waitForFinished(int(deadline.remainingTime()))) {
    return kShellSuccess;
  }
  return process->exitStatus() == QProcess::NormalExit ? CodeForOpenerExit(process->exitCode())
                                                       : kShellNoAssociation;
}

void SetShellLauncher(ShellLauncher launcher) {
  Launcher() = std::move(launcher);
}

QString ShellErrorText(int code, const QString& name) {
  const QString tailA = QStringLiteral(
      "\r\rTry running a disk maintenance program such as\r"
      "Scandisk.  If the problem persists, you may have to reinstall.\r");
  const QString tailB = QStringLiteral(
      "\r\rClose any other program that may be using the file and try again."
      "Try restarting your machine as a means of unloading any other program\r"
      "that may be using this file.");
  switch (code) {
    case kShellOutOfResources:
      return QStringLiteral(
          "The operating system is out of memory or resources.\r\r"
          "Try closing some programs you have running\rbefore attempting to run this program.");
    case kShellFileNotFound:
      return QStringLiteral("The file could not be found.\r\rFile: ") + name + tailA;
    case kShellPathNotFound:
      return QStringLiteral("The path could not be found.\r\rPath: ") + FolderPart(name) + tailA;
    case kShellAccessDenied:
      return QStringLiteral(
                 "The operating system has denied you access to the following file :\r\r") +
             name + tailB;
    case kShellBadFormat:
      return QStringLiteral("The Program file you are trying to call has become corrupted.\r\r\r") +
             name + tailA;
    case kShellSharingViolation:
      return QStringLiteral(
                 "There was a sharing violation whilst attempting to run the\r"
                 "following file : \r\r") +
             name + tailB;
    case kShellAssociationIncomplete:
      return QStringLiteral("The filename association is incomplete or invalid.\r\r\r") + name +
             tailA;
    default:
      return QString();
  }
}

bool ShellOpen(const QString& name, QWidget* parent) {
  const int code = Launcher() ? Launcher()(name) : DesktopLaunch(name);
  const QString text = ShellErrorText(code, name);
  if (text.isEmpty()) {
    return true;
  }
  // Message boxes break lines at line feeds only.
  ShowMessage(parent, BoxKind::Error, QString(text).replace(QLatin1Char('\r'), QLatin1Char('\n')));
  return false;
}

}  // namespace solvara
