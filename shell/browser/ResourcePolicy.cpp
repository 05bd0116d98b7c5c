#include "shell/browser/ResourcePolicy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QStringList>
#include <QUrlQuery>
#include <algorithm>

namespace solvara {

namespace {

// Pictures of a local document: a help page's pictures are small.
constexpr qint64 kMaxPictureBytes = 4 * 1024 * 1024;
constexpr int kMaxPicturePixels = 4096 * 4096;
// The longest address SMTP carries (RFC 5321), for each address field of a mailto link.
constexpr int kMaxMailAddressLength = 254;

}  // namespace

bool IsInside(const QString& path, const QString& folder) {
  return !folder.isEmpty() && path.startsWith(folder + QLatin1Char('/'));
}

// The file is first opened by path only to look at what it is (O_PATH opens neither a
// pipe's reading end, which would let a waiting writer through, nor a device), and that
// same inode is then reopened through /proc for reading, so no swap after the check can
// slip a pipe or a device in.
FileRead ReadRegularFile(const QString& canonicalPath, qint64 limit, QByteArray* bytes) {
  const int handle =
      ::open(QFile::encodeName(canonicalPath).constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
  if (handle < 0) {
    return FileRead::NotAFile;
  }
  struct stat info {};
  FileRead result = FileRead::NotAFile;
  if (::fstat(handle, &info) == 0 && S_ISREG(info.st_mode)) {
    QFile file(QStringLiteral("/proc/self/fd/%1").arg(handle));
    if (info.st_size > limit) {
      result = FileRead::TooLarge;
    } else if (file.open(QIODevice::ReadOnly)) {
      *bytes = file.read(limit);
      result = FileRead::Done;
    }
  }
  ::close(handle);
  return result;
}

QImage ReadPicture(const QUrl& url, const QString& folder) {
  if (folder.isEmpty() || !url.isLocalFile()) {
    return {};
  }
  const QString path = QFileInfo(url.toLocalFile()).canonicalFilePath();
  QByteArray bytes;
  if (!IsInside(path, folder) ||
      ReadRegularFile(path, kMaxPictureBytes, &bytes) != FileRead::Done) {
    return {};
  }
  QBuffer buffer(&bytes);
  QImageReader reader(&buffer);
  const QSize size = reader.size();
  if (!size.isValid() || qint64(size.width()) * size.height() > kMaxPicturePixels) {
    return {};
  }
  return reader.read();
}

QString PictureFolderFor(const QString& path) {
  const QString program = QFileInfo(QCoreApplication::applicationDirPath()).canonicalFilePath();
  return IsInside(QFileInfo(path).canonicalFilePath(), program) ? program : QString();
}

bool IsWebAddress(const QUrl& url) {
  const QString scheme = url.scheme().toLower();
  return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

// A page from the web must not get local files opened (and maybe run) by a click.
QUrl LinkToOpen(const QUrl& target, bool fromLocalDocument) {
  const QString scheme = target.scheme().toLower();
  if (scheme == QLatin1String("mailto")) {
    return SafeMailLink(target);
  }
  const bool allowed =
      IsWebAddress(target) || (scheme == QLatin1String("file") && fromLocalDocument);
  return allowed ? target : QUrl();
}

// Some mail programs attach a local file named by an "attach" field, or take other fields
// as commands: only the address and the subject, body, cc and bcc fields pass, and none
// with control characters, whose line breaks could forge header lines (only a body may
// break lines).
QUrl SafeMailLink(const QUrl& link) {
  const auto unsafe = [](const QString& text, const QString& field) {
    const bool address =
        field.isEmpty() || field == QLatin1String("cc") || field == QLatin1String("bcc");
    const bool body = field == QLatin1String("body");
    return (address && text.size() > kMaxMailAddressLength) ||
           std::any_of(text.begin(), text.end(), [body](QChar c) {
             const bool lineBreak = c == u'\r' || c == u'\n' || c == u'\t';
             return (c.category() == QChar::Other_Control && !(body && lineBreak)) ||
                    c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
           });
  };
  const QString address = link.path(QUrl::FullyDecoded);
  if (unsafe(address, QString())) {
    return {};
  }
  QStringList fields;
  const QUrlQuery query(link.query(QUrl::FullyEncoded));
  for (const auto& [key, value] : query.queryItems(QUrl::FullyDecoded)) {
    const QString field = key.toLower();
    if (field != QLatin1String("subject") && field != QLatin1String("body") &&
        field != QLatin1String("cc") && field != QLatin1String("bcc")) {
      continue;
    }
    if (unsafe(value, field)) {
      return {};
    }
    fields << field + QLatin1Char('=') + QString::fromLatin1(QUrl::toPercentEncoding(value));
  }
  QUrl safe;
  safe.setScheme(QStringLiteral("mailto"));
  safe.setPath(QString::fromLatin1(QUrl::toPercentEncoding(address, "@,+")), QUrl::StrictMode);
  if (!fields.isEmpty()) {
    safe.setQuery(fields.join(QLatin1Char('&')), QUrl::StrictMode);
  }
  return safe;
}

}  // namespace solvara
