#include "shell/BrowserU.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPrintDialog>
#include <QPrinter>
#include <QStringDecoder>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>

#include "globals.h"

namespace solvara {

namespace {

// The page shown in place of an address that cannot be loaded.
const char* const kErrorPageTitle = "This page cannot be shown";
const char* const kErrorPageBody = "The address %1 could not be loaded: %2";
const char* const kNotAFileReason = "it is not a readable file";
const char* const kTooLargeReason = "the document is too large";
const char* const kUnsupportedReason = "this kind of address is not supported";
const char* const kHttpStatusReason = "the server answered %1 %2";

// Documents are small; anything far larger is a mistake or an attack, and reading
// it whole would only exhaust memory.
constexpr qint64 kMaxDocumentBytes = 16 * 1024 * 1024;

int g_transferTimeoutMs = 30000;
TWebBrowser::LinkOpener g_linkOpener;
TWebBrowser::PrintDialogHook g_printDialogHook;

// Documents are shown without their pictures and style sheets: nothing a page names
// is fetched behind the user's back, and a page cannot make us read an arbitrary
// local file (or a device that never ends) as a "picture".
class HtmlView : public QTextBrowser {
 public:
  using QTextBrowser::QTextBrowser;
  QVariant loadResource(int, const QUrl&) override { return {}; }
};

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
  QTextBrowser* view = nullptr;
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
    d->view->clear();
    d->view->document()->setBaseUrl(QUrl());
    d->localDocument = false;
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
  const QFileInfo info(path);
  // Only regular files: a device or a pipe could block or never end.
  QFile file(path);
  if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
    ShowErrorPage(address, QLatin1String(kNotAFileReason));
    return;
  }
  if (file.size() > kMaxDocumentBytes) {
    ShowErrorPage(address, QLatin1String(kTooLargeReason));
    return;
  }
  const QByteArray bytes = file.read(kMaxDocumentBytes);
  d->view->setHtml(DecodeHtml(bytes));
  // Relative links resolve against the file's folder.
  d->view->document()->setBaseUrl(QUrl::fromLocalFile(info.absoluteFilePath()));
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
  if (bytes.size() > kMaxDocumentBytes) {
    ShowErrorPage(d->requested, QLatin1String(kTooLargeReason));
    return;
  }
  const QString contentType = reply->header(QNetworkRequest::ContentTypeHeader).toString();
  if (contentType.startsWith(QLatin1String("text/plain"), Qt::CaseInsensitive)) {
    d->view->setPlainText(DecodeHtml(bytes));
  } else {
    d->view->setHtml(DecodeHtml(bytes));
  }
  d->view->document()->setBaseUrl(reply->url());
  d->localDocument = false;
  Complete(reply->url().toString());
}

void TWebBrowser::ShowErrorPage(const QString& address, const QString& reason) {
  const QString html = QStringLiteral("<html><body><h2>%1</h2><p>%2</p></body></html>")
                           .arg(QLatin1String(kErrorPageTitle),
                                QString::fromLatin1(kErrorPageBody)
                                    .arg(address.toHtmlEscaped(), reason.toHtmlEscaped()));
  d->view->setHtml(html);
  d->view->document()->setBaseUrl(QUrl());
  d->localDocument = false;
  Complete(kErrorPageAddress);
}

void TWebBrowser::LoadDocument(const QByteArray& html) {
  AbortPendingLoad();
  d->view->setHtml(QString::fromUtf8(html));
  d->view->document()->setBaseUrl(QUrl());
  d->localDocument = false;
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
  const bool allowed = IsWebAddress(target) || scheme == QLatin1String("mailto") ||
                       (scheme == QLatin1String("file") && d->localDocument);
  if (!allowed) {
    return;
  }
  if (g_linkOpener) {
    g_linkOpener(target);
  } else {
    QDesktopServices::openUrl(target);
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
