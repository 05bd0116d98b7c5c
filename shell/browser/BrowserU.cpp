#include "shell/browser/BrowserU.h"

#include <QAbstractTextDocumentLayout>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QStringDecoder>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextObjectInterface>
#include <QTimer>
#include <QVBoxLayout>

#include "shell/browser/LayoutCost.h"
#include "shell/browser/ResourcePolicy.h"
#include "shell/browser/WebLoader.h"

namespace solvara {

namespace {

// The page shown in place of an address that cannot be loaded.
const char* const kErrorPageTitle = "This page cannot be shown";
const char* const kErrorPageBody = "The address %1 could not be loaded: %2";
const char* const kNotAFileReason = "it is not a readable file";
const char* const kTooLargeReason = "the document is too large";
const char* const kTooComplexReason = "the document is too complex to be shown";
const char* const kUnsupportedReason = "this kind of address is not supported";

TWebBrowser::LinkOpener g_linkOpener;
TWebBrowser::PrintDialogHook g_printDialogHook;

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

QString DecodeHtml(const QByteArray& bytes) {
  QStringDecoder decoder = QStringDecoder::decoderForHtml(bytes);
  if (!decoder.isValid()) {
    decoder = QStringDecoder(QStringDecoder::Utf8);
  }
  return decoder.decode(bytes);
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
  TWebLoader* loader = nullptr;
  QString requested;  // the address of the web load in progress, if any
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
  d->loader = new TWebLoader(this);
  connect(d->loader, &TWebLoader::Loaded, this, &TWebBrowser::ShowWebDocument);
  connect(d->loader, &TWebLoader::Failed, this,
          [this](const QString& reason) { ShowErrorPage(d->requested, reason); });
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
  TWebLoader::SetDeadline(milliseconds);
}

int TWebBrowser::TransferTimeout() {
  return TWebLoader::Deadline();
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
  d->loader->Abort();
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
    d->requested = url.toString();
    d->loader->Start(url);
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
  const QUrl opened = LinkToOpen(target, d->localDocument);
  if (opened.isEmpty()) {
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

namespace {
// Every filter in existence, oldest first; the last is the one MouseHookHandle names.
std::vector<TMouseHook*> g_mouseHooks;
}  // namespace

TMouseHook::TMouseHook(QObject* page) : QObject(page) {
  if (QCoreApplication* app = QCoreApplication::instance()) {
    app->installEventFilter(this);
  }
  g_mouseHooks.push_back(this);
  MouseHookHandle = this;
}

TMouseHook::~TMouseHook() {
  if (QCoreApplication* app = QCoreApplication::instance()) {
    app->removeEventFilter(this);
  }
  g_mouseHooks.erase(std::remove(g_mouseHooks.begin(), g_mouseHooks.end(), this),
                     g_mouseHooks.end());
  MouseHookHandle = g_mouseHooks.empty() ? nullptr : g_mouseHooks.back();
}

}  // namespace solvara

#include "BrowserU.moc"
