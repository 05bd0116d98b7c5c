#include "shell/browser/WebLoader.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include "shell/browser/ResourcePolicy.h"

namespace solvara {

namespace {

const char* const kHttpStatusReason = "the server answered %1 %2";

int g_transferTimeoutMs = 30000;

// A proxy looks the host up itself; the name may mean nothing on this side of it.
bool ReachedThroughProxy(const QUrl& url) {
  const QList<QNetworkProxy> proxies = QNetworkProxyFactory::proxyForQuery(QNetworkProxyQuery(url));
  return !proxies.isEmpty() && proxies.constFirst().type() != QNetworkProxy::NoProxy;
}

}  // namespace

TWebLoader::TWebLoader(QObject* parent) : QObject(parent), stallTimer_(new QTimer(this)) {
  stallTimer_->setSingleShot(true);
  connect(stallTimer_, &QTimer::timeout, this, &TWebLoader::OnStalled);
}

TWebLoader::~TWebLoader() {
  Abort();
}

void TWebLoader::SetTransferTimeout(int milliseconds) {
  g_transferTimeoutMs = milliseconds > 0 ? milliseconds : 1;
}

int TWebLoader::TransferTimeout() {
  return g_transferTimeoutMs;
}

void TWebLoader::Abort() {
  if (lookupId_ != -1) {
    QHostInfo::abortHostLookup(lookupId_);
    lookupId_ = -1;
  }
  stallTimer_->stop();
  Drop();
}

void TWebLoader::Drop() {
  if (QNetworkReply* reply = reply_) {
    reply_ = nullptr;
    // Disconnect first: abort() emits finished() at once, and that must not count as the
    // end of a load that has already ended or been replaced.
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
  }
}

void TWebLoader::Start(const QUrl& url) {
  Abort();
  url_ = url;
  // Qt sets no limit of its own: a server that accepts and never answers, or a name
  // server that never replies, would otherwise leave the page loading for ever.
  stallTimer_->start(g_transferTimeoutMs);
  const QString host = url.host();
  if (host.isEmpty() || ReachedThroughProxy(url)) {
    SendRequest(url);
    return;
  }
  // The request waits for the host's address because the request itself makes Qt load
  // and set up TLS: without a network that would cost start-up time and memory for a
  // load that cannot succeed. A slot by name, not a functor: Qt 6.4 leaks the functor
  // of a lookup that is aborted or whose receiver goes first.
  lookupId_ = QHostInfo::lookupHost(host, this, SLOT(OnHostLookedUp(QHostInfo)));
}

void TWebLoader::OnHostLookedUp(const QHostInfo& info) {
  // Any other is a lookup that a later load abandoned.
  if (info.lookupId() != lookupId_) {
    return;
  }
  lookupId_ = -1;
  if (info.error() != QHostInfo::NoError || info.addresses().isEmpty()) {
    stallTimer_->stop();
    // Worded as Qt words it when the request finds no host.
    emit Failed(QCoreApplication::translate("QHttp", "Host %1 not found").arg(url_.host()));
    return;
  }
  SendRequest(url_);
}

void TWebLoader::SendRequest(const QUrl& url) {
  if (network_ == nullptr) {
    network_ = new QNetworkAccessManager(this);
  }
  QNetworkRequest request(url);
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                       QNetworkRequest::NoLessSafeRedirectPolicy);
  QNetworkReply* reply = network_->get(request);
  reply_ = reply;
  connect(reply, &QNetworkReply::finished, this, [this, reply] { OnFinished(reply); });
  const auto progressed = [this] { stallTimer_->start(g_transferTimeoutMs); };
  connect(reply, &QNetworkReply::metaDataChanged, this, progressed);
  connect(reply, &QNetworkReply::redirected, this, progressed);
  connect(reply, &QNetworkReply::downloadProgress, this,
          [this, reply, progressed](qint64 received, qint64) {
            progressed();
            if (received > kMaxDocumentBytes) {
              // Enough to tell it is too large; the rest is not even fetched.
              const QByteArray bytes = reply->read(kMaxDocumentBytes + 1);
              const QUrl address = reply->url();
              stallTimer_->stop();
              Drop();
              emit Loaded(bytes, address, false);
            }
          });
}

void TWebLoader::OnStalled() {
  if (!reply_ && lookupId_ == -1) {
    return;
  }
  // Ends the load as a transfer timeout of Qt's own would, but with the reply let go
  // first: Qt's abort() reports the end from inside itself, and the page shown next
  // may run a nested event loop that destroys this loader, and the reply with it.
  Abort();
  emit Failed(QCoreApplication::translate("QNetworkReplyHttpImpl", "Operation canceled"));
}

void TWebLoader::OnFinished(QNetworkReply* reply) {
  reply->deleteLater();
  if (reply != reply_) {
    return;
  }
  reply_ = nullptr;
  stallTimer_->stop();
  const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
  if (status.isValid() && (status.toInt() < 200 || status.toInt() > 299)) {
    const QString phrase = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    emit Failed(QString::fromLatin1(kHttpStatusReason).arg(status.toInt()).arg(phrase));
    return;
  }
  if (reply->error() != QNetworkReply::NoError) {
    emit Failed(reply->errorString());
    return;
  }
  const QByteArray bytes = reply->read(kMaxDocumentBytes + 1);
  const QString contentType = reply->header(QNetworkRequest::ContentTypeHeader).toString();
  emit Loaded(bytes, reply->url(),
              contentType.startsWith(QLatin1String("text/plain"), Qt::CaseInsensitive));
}

}  // namespace solvara
