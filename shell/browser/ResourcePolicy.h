// What a document may read and open: local files only as regular files of bounded size,
// pictures only from the folder a local document may use, links only to the web, to
// mail (cleaned) and, from a local document, to files. Plain functions, no view.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QUrl>

namespace solvara {

// A news page is a few kilobytes. Qt needs about a second per megabyte of plain text to
// lay it out, and more for most other shapes (see LayoutCost.h), so anything larger is a
// mistake or an attack and is not even read whole.
constexpr qint64 kMaxDocumentBytes = 256 * 1024;

// True when path lies inside folder (both canonical; an empty folder holds nothing).
bool IsInside(const QString& path, const QString& folder);

// Reads a regular file of at most limit bytes; devices, pipes, folders and symbolic links
// are not files here.
enum class FileRead { Done, NotAFile, TooLarge };
FileRead ReadRegularFile(const QString& canonicalPath, qint64 limit, QByteArray* bytes);

// A picture of a local document: a regular file of bounded size inside folder (canonical;
// empty for none), decoded only if its pixels fit the bound too. Null otherwise.
QImage ReadPicture(const QUrl& url, const QString& folder);

// The folder whose pictures a local document at path may show: the program's own when the
// document lies in it, else none.
QString PictureFolderFor(const QString& path);

bool IsWebAddress(const QUrl& url);

// What a click on target opens: a web address as it is, a mailto link cleaned by
// SafeMailLink, a file: address only from a local document; empty when refused.
QUrl LinkToOpen(const QUrl& target, bool fromLocalDocument);

// A mailto link with only its address and the subject, body, cc and bcc fields, or an
// empty URL when a field holds what could forge a header line or is over-long.
QUrl SafeMailLink(const QUrl& link);

}  // namespace solvara
