#include "shell/browser/BrowserU.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QMouseEvent>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QStringDecoder>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextObjectInterface>
#include <QTimer>
#include <QUrlQuery>
#include <QVBoxLayout>

#include "shell/browser/LayoutCost.h"

namespace solvara {

namespace {

// The page shown in place of an address that cannot be loaded.
const char* const kErrorPageTitle = "This page cannot be shown";
const char* const kErrorPageBody = "The address %1 could not be loaded: %2";
const char* const kNotAFileReason = "it is not a readable file";
const char* const kTooLargeReason = "the document is too large";
const char* const kTooComplexReason = "the document is too complex to be shown";
const char* const kUnsupportedReason = "this kind of address is not supported";
const char* const kHttpStatusReason = "the server answered %1 %2";

// A news page is a few kilobytes. Qt needs about a second per megabyte of plain text to
// lay it out, and more for most other shapes (see LayoutCost.h), so anything larger is a
// mistake or an attack and is not even read whole.
constexpr qint64 kMaxDocumentBytes = 256 * 1024;
// Pictures of a local document: a help page's pictures are small.
constexpr qint64 kMaxPictureBytes = 4 * 1024 * 1024;
constexpr int kMaxPicturePixels = 4096 * 4096;
// The longest address SMTP carries (RFC 5321), for each address field of a mailto link.
constexpr int kMaxMailAddressLength = 254;

int g_transferTimeoutMs = 30000;
TWebBrowser::LinkOpener g_linkOpener;
TWebBrowser::PrintDialogHook g_printDialogHook;

bool IsInside(const QString& path, const QString& folder) {
  return !folder.isEmpty() && path.startsWith(folder + QLatin1Char('/'));
}

// Reads a regular file of at most limit bytes. The file is first opened by path only to
// look at what it is (O_PATH opens neither a pipe's reading end, which would let a waiting
// writer through, nor a device), and that same inode is then reopened through /proc for
// reading, so no swap after the check can slip a pipe or a device in.
enum class FileRead { Done, NotAFile, TooLarge };
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

// A picture of a local document: a regular file of bounded size inside folder (canonical;
// empty for none), decoded only if its pixels fit the bound too.
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

// The view answers every resource a document names itself, with a value Qt takes as
// final. Qt would otherwise read or fetch it on its own: QTextDocument reads file: and
// relative names and decodes data: addresses when the view returns nothing, and its
// picture handler then loads the raw name as a file. So pictures come only from the
// folder a local document may use, and otherwise are a transparent pixel; style sheets are
// empty; anything else is empty bytes. Pictures are also laid out and drawn here rather
// than by Qt's handler, which probes the file system for high-resolution variants of the
// name on high-DPI screens before it asks the view.
class HtmlView : public QTextBrowser, public QTextObjectInterface {
  Q_OBJECT
  Q_INTERFACES(QTextObjectInterface)

 public:
  using QTextBrowser::QTextBrowser;

  // The folder (canonical) whose pictures the next document may show; empty for none.
  void SetPictureFolder(const QString& folder) { pictureFolder_ = folder; }

  // Shows a document read apart, a child of this view (whose resources it asks for); the
  // one shown before goes once control is back in the event loop, since a click on it may
  // be what led here. Qt deletes a replaced document only when its own control owns it.
  void Adopt(QTextDocument* document) {
    QTextDocument* previous = this->document();
    const bool ours = previous->parent() == this;
    // A null page size keeps Qt from laying the document out the moment it gets a layout,
    // before the picture handler is in place and the width known (and with no width, Qt's
    // layout of some tables never ends); setDocument() gives it the view's width.
    document->setPageSize(QSizeF(0, 0));
    document->documentLayout()->registerHandler(QTextFormat::ImageObject, this);
    setDocument(document);
    if (ours) {
      previous->deleteLater();
    }
  }

  QVariant loadResource(int type, const QUrl& name) override {
    if (type == QTextDocument::ImageResource) {
      const QImage picture = ReadPicture(name, pictureFolder_);
      return picture.isNull() ? NoPicture() : picture;
    }
    if (type == QTextDocument::StyleSheetResource) {
      return QString(QLatin1String(""));
    }
    return QByteArray("");
  }

  QSizeF intrinsicSize(QTextDocument* doc, int, const QTextFormat& format) override {
    const QTextImageFormat image = format.toImageFormat();
    const QSizeF natural = Picture(doc, image).size();
    if (natural.isEmpty()) {
      return {};  // nothing to show takes no room
    }
    const bool hasWidth = image.hasProperty(QTextFormat::ImageWidth);
    const bool hasHeight = image.hasProperty(QTextFormat::ImageHeight);
    const qreal width = hasWidth ? image.width() : natural.width();
    const qreal height = hasHeight ? image.height() : natural.height();
    if (hasWidth != hasHeight) {
      return hasWidth ? QSizeF(width, width * natural.height() / natural.width())
                      : QSizeF(height * natural.width() / natural.height(), height);
    }
    return {width, height};
  }

  void drawObject(QPainter* painter, const QRectF& rect, QTextDocument* doc, int,
                  const QTextFormat& format) override {
    const QImage picture = Picture(doc, format.toImageFormat());
    if (!picture.isNull()) {
      painter->drawImage(rect, picture);
    }
  }

 private:
  static QImage NoPicture() {
    static const QImage none = [] {
      QImage image(1, 1, QImage::Format_ARGB32);
      image.fill(Qt::transparent);
      return image;
    }();
    return none;
  }

  // The document's own picture, or a null image where it has none.
  QImage Picture(QTextDocument* doc, const QTextImageFormat& image) const {
    if (pictureFolder_.isEmpty()) {
      return {};
    }
    const QImage picture =
        doc->resource(QTextDocument::ImageResource, QUrl(image.name())).value<QImage>();
    return picture.cacheKey() == NoPicture().cacheKey() ? QImage() : picture;
  }

  QString pictureFolder_;
};

// The folder whose pictures a local document at path may show: the program's own when the
// document lies in it, else none.
QString PictureFolderFor(const QString& path) {
  const QString program = QFileInfo(QCoreApplication::applicationDirPath()).canonicalFilePath();
  return IsInside(QFileInfo(path).canonicalFilePath(), program) ? program : QString();
}

// Some mail programs attach a local file named by an "attach" field, or take other fields
// as commands: only the address and the subject, body, cc and bcc fields pass, and none
// with control characters, whose line breaks could forge header lines (only a body may
// break lines). Returns an empty URL when the link is refused.
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

QString DecodeHtml(const QByteArray& bytes) {
  QStringDecoder decoder = QStringDecoder::decoderForHtml(bytes);
  if (!decoder.isValid()) {
    decoder = QStringDecoder(QStringDecoder::Utf8);
  }
  return decoder.decode(bytes);
}

bool IsWebAddress(const QUrl& url) {
  const QString scheme = url.scheme().toLower();
  return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

// A proxy looks the host up itself; the name may mean nothing on this side of it.
bool ReachedThroughProxy(const QUrl& url) {
  const QList<QNetworkProxy> proxies = QNetworkProxyFactory::proxyForQuery(QNetworkProxyQuery(url));
  return !proxies.isEmpty() && proxies.constFirst().type() != QNetworkProxy::NoProxy;
}

// The HTML area is the view of a TWebBrowser with everything inside it: the viewport
// and the view's own scroll bars, whose menus would otherwise still open over it.
bool IsHtmlArea(QObject* watched) {
  for (auto* widget = qobject_cast<QWidget*>(watched); widget != nullptr && !widget->isWindow();
       widget = widget->parentWidget()) {
    if (qobject_cast<QTextBrowser*>(widget) != nullptr) {
      return qobject_cast<TWebBrowser*>(widget->parentWidget()) != nullptr;
    }
  }
  return false;
}

}  // namespace

const QString TWebBrowser::kErrorPageAddress = QStringLiteral("about:neterror");
const QString TWebBrowser::kBlankPageAddress = QStringLiteral("about:blank");

struct TWebBrowser::Private {
  HtmlView* view = nullptr;
  QNetworkAccessManager* network = nullptr;  // made on the first web address
  QPointer<QNetworkReply> reply;             // the web load in progress, if any
  QString requested;                         // the address of that load
  QUrl requestedUrl;                         // the same, as a URL
  int lookupId = -1;                         // its host lookup, while that runs
  // Ends the load when neither the lookup nor the transfer has moved for the transfer
  // timeout. Ours rather than the request's own, which covers no lookup and aborts
  // the reply from inside Qt.
  QTimer* stallTimer = nullptr;
  int readyState = kReadyStateUninitialized;
  QString url;
  bool localDocument = false;  // the document came from a local file
  // Bumped by every navigation and load, so a completion queued for an earlier one
  // is recognised as stale and dropped.
  quint64 generation = 0;
  bool printing = false;
};

TWebBrowser::TWebBrowser(QWidget* parent) : QWidget(parent), d(std::make_unique<Private>()) {
  d->view = new HtmlView(this);
  d->view->setOpenLinks(false);
  d->view->setOpenExternalLinks(false);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(d->view);
  setFocusProxy(d->view);
  connect(d->view, &QTextBrowser::anchorClicked, this, &TWebBrowser::OnAnchorClicked);
}

TWebBrowser::~TWebBrowser() {
  AbortPendingLoad();
}

void TWebBrowser::SetLinkOpener(LinkOpener opener) {
  g_linkOpener = std::move(opener);
}

void TWebBrowser::SetPrintDialogHook(PrintDialogHook hook) {
  g_printDialogHook = std::move(hook);
}

void TWebBrowser::SetTransferTimeout(int milliseconds) {
  g_transferTimeoutMs = milliseconds > 0 ? milliseconds : 1;
}

int TWebBrowser::TransferTimeout() {
  return g_transferTimeoutMs;
}

QTextBrowser* TWebBrowser::View() const {
  return d->view;
}

int TWebBrowser::ReadyState() const {
  return d->readyState;
}

QString TWebBrowser::Url() const {
  return d->url;
}

void TWebBrowser::AbortPendingLoad() {
  ++d->generation;
  if (d->lookupId != -1) {
    QHostInfo::abortHostLookup(d->lookupId);
    d->lookupId = -1;
  }
  if (d->stallTimer != nullptr) {
    d->stallTimer->stop();
  }
  if (QNetworkReply* reply = d->reply) {
    d->reply = nullptr;
    // Disconnect first: abort() emits finished() at once, and that must not count
    // as the completion of the document that replaces this one.
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
  }
}

void TWebBrowser::Complete(const QString& address) {
  d->url = address;
  d->readyState = kReadyStateComplete;
  emit DocumentComplete();
}

void TWebBrowser::Navigate(const QString& address) {
  AbortPendingLoad();
  d->readyState = kReadyStateLoading;

  if (address.compare(kBlankPageAddress, Qt::CaseInsensitive) == 0) {
    // Completes before returning, so that LoadHTMLIntoBrowser never has to wait.
    Show(QString(), true, QUrl(), QString());
    Complete(kBlankPageAddress);
    return;
  }

  const QUrl url(address);
  if (IsWebAddress(url)) {
    StartWebLoad(url);
    return;
  }

  QString path;
  if (url.isLocalFile()) {
    path = url.toLocalFile();
  } else if (url.scheme().isEmpty() || QFileInfo(address).isAbsolute()) {
    path = address;
  }
  // Completed later, like a web address, so callers see one behaviour for both.
  const quint64 generation = d->generation;
  QTimer::singleShot(
      0, this, [this, address, path, generation] { LoadLocalFile(address, path, generation); });
}

void TWebBrowser::LoadLocalFile(const QString& address, const QString& path, quint64 generation) {
  if (generation != d->generation) {
    return;
  }
  if (path.isEmpty()) {
    ShowErrorPage(address, QLatin1String(kUnsupportedReason));
    return;
  }
  const QString canonical = QFileInfo(path).canonicalFilePath();
  QByteArray bytes;
  const FileRead read = canonical.isEmpty() ? FileRead::NotAFile
                                            : ReadRegularFile(canonical, kMaxDocumentBytes, &bytes);
  if (read != FileRead::Done) {
    ShowErrorPage(address,
                  QLatin1String(read == FileRead::TooLarge ? kTooLargeReason : kNotAFileReason));
    return;
  }
  // Relative links resolve against the file's folder.
  if (!Show(DecodeHtml(bytes), true, QUrl::fromLocalFile(canonical), PictureFolderFor(canonical))) {
    ShowErrorPage(address, QLatin1String(kTooComplexReason));
    return;
  }
  d->localDocument = true;
  Complete(address);
}

void TWebBrowser::StartWebLoad(const QUrl& url) {
  d->requested = url.toString();
  if (d->stallTimer == nullptr) {
    d->stallTimer = new QTimer(this);
    d->stallTimer->setSingleShot(true);
    connect(d->stallTimer, &QTimer::timeout, this, &TWebBrowser::OnTransferStalled);
  }
  // Qt sets no limit of its own: a server that accepts and never answers, or a name
  // server that never replies, would otherwise leave the page loading for ever.
  d->stallTimer->start(g_transferTimeoutMs);
  const QString host = url.host();
  if (host.isEmpty() || ReachedThroughProxy(url)) {
    SendWebRequest(url);
    return;
  }
  // The request waits for the host's address because the request itself makes Qt load
  // and set up TLS: without a network that would cost start-up time and memory for a
  // load that cannot succeed. A slot by name, not a functor: Qt 6.4 leaks the functor
  // of a lookup that is aborted or whose receiver goes first.
  d->requestedUrl = url;
  d->lookupId = QHostInfo::lookupHost(host, this, SLOT(OnHostLookedUp(QHostInfo)));
}

void TWebBrowser::OnHostLookedUp(const QHostInfo& info) {
  // Any other is a lookup that a later navigation abandoned.
  if (info.lookupId() != d->lookupId) {
    return;
  }
  d->lookupId = -1;
  if (info.error() != QHostInfo::NoError || info.addresses().isEmpty()) {
    d->stallTimer->stop();
    // Worded as Qt words it when the request finds no host.
    ShowErrorPage(
        d->requested,
        QCoreApplication::translate("QHttp", "Host %1 not found").arg(d->requestedUrl.host()));
    return;
  }
  SendWebRequest(d->requestedUrl);
}

void TWebBrowser::SendWebRequest(const QUrl& url) {
  if (d->network == nullptr) {
    d->network = new QNetworkAccessManager(this);
  }
  QNetworkRequest request(url);
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                       QNetworkRequest::NoLessSafeRedirectPolicy);
  QNetworkReply* reply = d->network->get(request);
  d->reply = reply;
  connect(reply, &QNetworkReply::finished, this, [this, reply] { OnReplyFinished(reply); });
  const auto progressed = [this, reply] {
    if (reply == d->reply) {
      d->stallTimer->start(g_transferTimeoutMs);
    }
  };
  connect(reply, &QNetworkReply::metaDataChanged, this, progressed);
  connect(reply, &QNetworkReply::redirected, this, progressed);
  connect(reply, &QNetworkReply::downloadProgress, this,
          [this, reply, progressed](qint64 received, qint64) {
            progressed();
            if (received > kMaxDocumentBytes && reply == d->reply) {
              d->reply = nullptr;
              d->stallTimer->stop();
              reply->disconnect(this);
              reply->abort();
              reply->deleteLater();
              ShowErrorPage(d->requested, QLatin1String(kTooLargeReason));
            }
          });
}

void TWebBrowser::OnTransferStalled() {
  if (!d->reply && d->lookupId == -1) {
    return;
  }
  // Ends the load as a transfer timeout of Qt's own would, but with the reply let go
  // first: Qt's abort() reports the end from inside itself, and the page shown next
  // may run a nested event loop that destroys this browser, and the reply with it.
  const QString address = d->requested;
  AbortPendingLoad();
  ShowErrorPage(address,
                QCoreApplication::translate("QNetworkReplyHttpImpl", "Operation canceled"));
}

void TWebBrowser::OnReplyFinished(QNetworkReply* reply) {
  reply->deleteLater();
  if (reply != d->reply) {
    return;
  }
  d->reply = nullptr;
  d->stallTimer->stop();
  const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
  if (status.isValid() && (status.toInt() < 200 || status.toInt() > 299)) {
    const QString phrase = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    ShowErrorPage(
        d->requested,
        QString::fromLatin1(kHttpStatusReason).arg(status.toInt()).arg(phrase.toHtmlEscaped()));
    return;
  }
  if (reply->error() != QNetworkReply::NoError) {
    ShowErrorPage(d->requested, reply->errorString());
    return;
  }
  const QByteArray bytes = reply->read(kMaxDocumentBytes + 1);
  const QString contentType = reply->header(QNetworkRequest::ContentTypeHeader).toString();
  ShowWebDocument(bytes, reply->url(),
                  contentType.startsWith(QLatin1String("text/plain"), Qt::CaseInsensitive));
}

void TWebBrowser::ShowWebDocument(const QByteArray& bytes, const QUrl& address, bool plainText) {
  AbortPendingLoad();
  if (bytes.size() > kMaxDocumentBytes) {
    ShowErrorPage(address.toString(), QLatin1String(kTooLargeReason));
  } else if (!Show(DecodeHtml(bytes), !plainText, address, QString())) {
    ShowErrorPage(address.toString(), QLatin1String(kTooComplexReason));
  } else {
    Complete(address.toString());
  }
}

bool TWebBrowser::Show(const QString& text, bool html, const QUrl& base,
                       const QString& pictureFolder) {
  const qint64 reading = EstimateReadingCost(text, html);
  if (reading > kLayoutBudget) {
    return false;
  }
  // Read into a document of its own, not yet laid out, so that what laying it out would
  // cost can be told from what Qt built before any of it is spent.
  auto* document = new QTextDocument(d->view);
  document->setUndoRedoEnabled(false);
  document->setDefaultFont(d->view->font());
  // Before the text, so that names are resolved against it while Qt reads the text.
  document->setBaseUrl(base);
  d->view->SetPictureFolder(pictureFolder);
  if (html) {
    document->setHtml(text);
  } else {
    document->setPlainText(text);
  }
  if (reading + EstimateLayoutCost(*document, kLayoutBudget - reading) > kLayoutBudget) {
    delete document;
    return false;
  }
  d->view->Adopt(document);
  d->localDocument = false;
  return true;
}

QString TWebBrowser::ErrorPage(const QString& address, const QString& reason) {
  return QStringLiteral("<html><body><h2>%1</h2><p>%2</p></body></html>")
      .arg(
          QLatin1String(kErrorPageTitle),
          QString::fromLatin1(kErrorPageBody).arg(address.toHtmlEscaped(), reason.toHtmlEscaped()));
}

void TWebBrowser::ShowErrorPage(const QString& address, const QString& reason) {
  Show(ErrorPage(address, reason), true, QUrl(), QString());
  Complete(kErrorPageAddress);
}

void TWebBrowser::LoadDocument(const QByteArray& html) {
  AbortPendingLoad();
  if (!Show(QString::fromUtf8(html), true, QUrl(), QString())) {
    Show(ErrorPage(kBlankPageAddress, QLatin1String(kTooComplexReason)), true, QUrl(), QString());
  }
  // A document from memory has no address of its own: it never claims to be the
  // page that was shown before it.
  Complete(kBlankPageAddress);
}

void TWebBrowser::OnAnchorClicked(const QUrl& link) {
  const QUrl base = d->view->document()->baseUrl();
  const QUrl target = base.isEmpty() ? link : base.resolved(link);
  if (link.toString().startsWith(QLatin1Char('#')) ||
      (!base.isEmpty() &&
       target.adjusted(QUrl::RemoveFragment) == base.adjusted(QUrl::RemoveFragment) &&
       target.hasFragment())) {
    d->view->scrollToAnchor(target.fragment());
    return;
  }
  const QString scheme = target.scheme().toLower();
  // A page from the web must not get local files opened (and maybe run) by a click.
  const bool mail = scheme == QLatin1String("mailto");
  const bool allowed =
      IsWebAddress(target) || mail || (scheme == QLatin1String("file") && d->localDocument);
  const QUrl opened = mail ? SafeMailLink(target) : target;
  if (!allowed || opened.isEmpty()) {
    return;
  }
  if (g_linkOpener) {
    g_linkOpener(opened);
  } else {
    QDesktopServices::openUrl(opened);
  }
}

bool TWebBrowser::Print() {
  if (d->printing) {
    return false;
  }
  d->printing = true;
  QPointer<TWebBrowser> self(this);
  QPrinter printer(QPrinter::HighResolution);
  bool accepted = false;
  if (g_printDialogHook) {
    accepted = g_printDialogHook(&printer, this);
  } else {
    // On the heap and owned by us: if this browser goes while the dialog is up,
    // the dialog goes with it and exec() returns instead of touching freed memory.
    QPointer<QPrintDialog> dialog = new QPrintDialog(&printer, this);
    accepted = dialog->exec() == QDialog::Accepted;
    delete dialog;
  }
  if (!self) {
    return false;
  }
  d->printing = false;
  if (accepted) {
    PrintTo(&printer);
  }
  return accepted;
}

void TWebBrowser::PrintTo(QPrinter* printer) const {
  if (printer != nullptr) {
    d->view->document()->print(printer);
  }
}

void LoadHTMLIntoBrowser(TWebBrowser* browser, const QByteArray& bytes) {
  if (browser == nullptr) {
    return;
  }
  // The blank page completes inside Navigate, so there is nothing to wait for and no
  // event loop in which a page switch could destroy the browser under us. Its
  // completion handlers may still do so themselves.
  QPointer<TWebBrowser> guard(browser);
  browser->Navigate(TWebBrowser::kBlankPageAddress);
  if (guard) {
    guard->LoadDocument(bytes);
  }
}

bool MouseHookProc(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
      return static_cast<QMouseEvent*>(event)->button() == Qt::RightButton && IsHtmlArea(watched);
    case QEvent::ContextMenu:
      // Qt asks for a menu after a right press even when the press itself was
      // withheld, and the menu key asks too.
      return IsHtmlArea(watched);
    default:
      return false;
  }
}

bool TMouseHook::eventFilter(QObject* watched, QEvent* event) {
  return MouseHookProc(watched, event) || QObject::eventFilter(watched, event);
}

TMouseHook* MouseHookHandle = nullptr;

void InstallMouseHook() {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr || MouseHookHandle != nullptr) {
    return;
  }
  auto* hook = new TMouseHook(app);
  // The application owns the filter; should it go first, the handle must not dangle.
  QObject::connect(hook, &QObject::destroyed, hook, [hook] {
    if (MouseHookHandle == hook) {
      MouseHookHandle = nullptr;
    }
  });
  app->installEventFilter(hook);
  MouseHookHandle = hook;
}

void RemoveMouseHook() {
  TMouseHook* hook = MouseHookHandle;
  // Cleared first, so that a later page never removes the same filter again.
  MouseHookHandle = nullptr;
  if (hook == nullptr) {
    return;
  }
  if (QCoreApplication* app = QCoreApplication::instance()) {
    app->removeEventFilter(hook);
  }
  delete hook;
}

}  // namespace solvara

#include "BrowserU.moc"
