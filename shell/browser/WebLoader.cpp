#include "shell/browser/WebLoader.h"

#include <QCoreApplication>
#include <QNetworkProxy>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <cctype>

#include "shell/browser/ResourcePolicy.h"

namespace solvara {

namespace {

const char* const kHttpStatusReason = "the server answered %1 %2";
const char* const kTimeoutReason = "the page took too long to load";
const char* const kMalformedReason = "the server's answer could not be read";
const char* const kHeaderTooLongReason = "the server's answer began with too much";
const char* const kTooManyRedirectsReason = "the server redirected too many times";
const char* const kRedirectRefusedReason = "the server redirected to an address not allowed";
const char* const kEncodingReason = "the document came in an encoding that is not supported";
const char* const kIncompleteReason = "the connection closed before the document was complete";
const char* const kNoTlsReason = "secure connections are not available";

// What the server may send before the document: status lines and header fields, those of
// interim answers and the trailer included. Real answers are a few kilobytes; Qt's own
// parser had no bound at all.
constexpr qint64 kMaxHeaderBytes = 64 * 1024;
constexpr int kMaxInterimAnswers = 8;
// Qt follows 50; a news page is never more than a few hops away.
constexpr int kMaxRedirects = 10;
// A chunk-size line is a few hex digits; extensions mean nothing to us.
constexpr qint64 kMaxChunkLine = 1024;
// Everything after the header, chunk framing included: chunks of one byte each cost six
// bytes of framing, so this lets a document at the size bound through in the smallest
// chunks and stops a flood of framing long before it costs much.
constexpr qint64 kMaxWireBytes = 8 * kMaxDocumentBytes;
// What the socket holds before we take it: bounds the memory of a fast sender and the work
// done per event.
constexpr qint64 kReadChunk = 64 * 1024;

int g_deadlineMs = TWebLoader::kLoadDeadlineMs;

// The proxy this address is reached through, as the application's settings name it, but
// with no credentials: the news load sends none, to anyone. Caching proxies are Qt's own
// notion; a socket reaches through them as through any HTTP proxy.
QNetworkProxy ProxyFor(const QUrl& url) {
  QNetworkProxy proxy = QNetworkProxyFactory::proxyForQuery(QNetworkProxyQuery(url))
                            .value(0, QNetworkProxy(QNetworkProxy::NoProxy));
  if (proxy.type() == QNetworkProxy::HttpCachingProxy) {
    proxy.setType(QNetworkProxy::HttpProxy);
  } else if (proxy.type() != QNetworkProxy::HttpProxy &&
             proxy.type() != QNetworkProxy::Socks5Proxy) {
    proxy = QNetworkProxy(QNetworkProxy::NoProxy);
  }
  proxy.setUser(QString());
  proxy.setPassword(QString());
  return proxy;
}

QByteArray Request(const QUrl& url) {
  QByteArray target = url.path(QUrl::FullyEncoded).toLatin1();
  if (target.isEmpty()) {
    target = "/";
  }
  if (url.hasQuery()) {
    target += '?' + url.query(QUrl::FullyEncoded).toLatin1();
  }
  // Asks for the document as it is: compressed answers would need a decoder that a bomb
  // could keep busy, and a news page is a few kilobytes.
  return "GET " + target + " HTTP/1.1\r\nHost: " +
         url.adjusted(QUrl::RemoveUserInfo).authority(QUrl::FullyEncoded).toLatin1() +
         "\r\nAccept: text/html, text/plain;q=0.9, */*;q=0.1\r\nAccept-Encoding: "
         "identity\r\nUser-Agent: Mozilla/5.0\r\nConnection: close\r\n\r\n";
}

}  // namespace

TWebLoader::TWebLoader(QObject* parent) : QObject(parent), deadline_(new QTimer(this)) {
  deadline_->setSingleShot(true);
  deadline_->setTimerType(Qt::PreciseTimer);  // a coarse one may fire 5 % late
  connect(deadline_, &QTimer::timeout, this, [this] { Fail(QLatin1String(kTimeoutReason)); });
}

TWebLoader::~TWebLoader() {
  Abort();
}

void TWebLoader::SetDeadline(int milliseconds) {
  g_deadlineMs = milliseconds > 0 ? milliseconds : 1;
}

int TWebLoader::Deadline() {
  return g_deadlineMs;
}

void TWebLoader::Abort() {
  ++generation_;
  if (lookupId_ != -1) {
    QHostInfo::abortHostLookup(lookupId_);
    lookupId_ = -1;
  }
  deadline_->stop();
  Drop();
}

void TWebLoader::Drop() {
  if (QTcpSocket* socket = socket_) {
    socket_ = nullptr;
    socket->disconnect(this);
    // Closes the connection now, unsent and unread bytes dropped: nothing goes on reading.
    socket->abort();
    socket->deleteLater();
  }
  pending_.clear();
  body_.clear();
}

void TWebLoader::Start(const QUrl& url) {
  Abort();
  url_ = url;
  redirects_ = 0;
  deadline_->start(g_deadlineMs);
  const QString host = url.host();
  if (!host.isEmpty() && ProxyFor(url).type() == QNetworkProxy::NoProxy) {
    // Looked up before anything else because a secure connection makes Qt load and set up
    // TLS: without a network that would cost start-up time and memory for a load that
    // cannot succeed. A slot by name, not a functor: Qt 6.4 leaks the functor of a lookup
    // that is aborted or whose receiver goes first.
    lookupId_ = QHostInfo::lookupHost(host, this, SLOT(OnHostLookedUp(QHostInfo)));
    return;
  }
  // A proxy looks the host up itself; the name may mean nothing on this side of it.
  const quint64 generation = generation_;
  QTimer::singleShot(0, this, [this, generation] {
    if (generation == generation_) {
      Connect(url_);
    }
  });
}

void TWebLoader::OnHostLookedUp(const QHostInfo& info) {
  // Any other is a lookup that a later load abandoned.
  if (info.lookupId() != lookupId_) {
    return;
  }
  lookupId_ = -1;
  if (info.error() != QHostInfo::NoError || info.addresses().isEmpty()) {
    Fail(QCoreApplication::translate("QHttp", "Host %1 not found").arg(url_.host()));
    return;
  }
  Connect(url_);
}

void TWebLoader::Connect(const QUrl& url) {
  Drop();
  url_ = url;
  stage_ = Stage::StatusLine;
  headerBytes_ = wireBytes_ = 0;
  interims_ = 0;
  const bool secure = url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
  if (secure && !QSslSocket::supportsSsl()) {
    Fail(QLatin1String(kNoTlsReason));
    return;
  }
  QTcpSocket* socket = secure ? new QSslSocket(this) : new QTcpSocket(this);
  socket_ = socket;
  socket->setReadBufferSize(kReadChunk);
  socket->setProxy(ProxyFor(url));
  const QByteArray request = Request(url);
  const auto send = [socket, request] { socket->write(request); };
  if (secure) {
    connect(static_cast<QSslSocket*>(socket), &QSslSocket::encrypted, this, send);
  } else {
    connect(socket, &QTcpSocket::connected, this, send);
  }
  connect(socket, &QTcpSocket::readyRead, this, &TWebLoader::OnReadable);
  connect(socket, &QTcpSocket::disconnected, this, &TWebLoader::OnClosed);
  // A proxy asking for credentials fails the connection too: nothing answers it.
  connect(socket, &QAbstractSocket::errorOccurred, this, [this](QAbstractSocket::SocketError e) {
    if (e != QAbstractSocket::RemoteHostClosedError) {
      Fail(socket_->errorString());
    }
  });
  const quint16 port = quint16(url.port(secure ? 443 : 80));
  if (secure) {
    static_cast<QSslSocket*>(socket)->connectToHostEncrypted(url.host(), port);
  } else {
    socket->connectToHost(url.host(), port);
  }
}

void TWebLoader::OnReadable() {
  // Never more than the socket's buffer holds, so that one event costs little and a server
  // that never stops still lets the event loop run.
  pending_.append(socket_->readAll());
  Parse();
}

void TWebLoader::OnClosed() {
  if (socket_->bytesAvailable() > 0) {
    pending_.append(socket_->readAll());
    if (!Parse()) {
      return;
    }
  }
  if (stage_ == Stage::Body && contentLength_ < 0) {
    Finish();  // a document that ends with its connection
  } else {
    Fail(QLatin1String(kIncompleteReason));
  }
}

bool TWebLoader::Parse() {
  qsizetype at = 0;
  const auto fail = [this](const char* reason) {
    Fail(QLatin1String(reason));
    return false;
  };
  while (at < pending_.size()) {
    if (stage_ == Stage::Body || stage_ == Stage::ChunkData) {
      qint64 take = pending_.size() - at;
      if (stage_ == Stage::ChunkData) {
        take = std::min(take, chunkLeft_);
      } else if (contentLength_ >= 0) {
        take = std::min(take, contentLength_ - qint64(body_.size()));
      }
      if (!TakeBody(pending_.mid(at, take))) {
        return false;
      }
      at += take;
      if (stage_ == Stage::ChunkData && (chunkLeft_ -= take) == 0) {
        stage_ = Stage::ChunkEnd;
      } else if (stage_ == Stage::Body && qint64(body_.size()) == contentLength_) {
        Finish();
        return false;
      }
      continue;
    }
    // An answer that does not begin as HTTP does is not waited for.
    const QByteArray start = pending_.mid(at, 7);
    if (stage_ == Stage::StatusLine && !start.startsWith('\r') && !start.startsWith('\n') &&
        !QByteArray("HTTP/1.").startsWith(start)) {
      return fail(kMalformedReason);
    }
    // A line: of the header part, or of the chunk framing.
    const bool framing = stage_ == Stage::ChunkSize || stage_ == Stage::ChunkEnd;
    const qint64 room = framing ? kMaxChunkLine : kMaxHeaderBytes - headerBytes_;
    const qsizetype end = pending_.indexOf('\n', std::max(at, scanned_));
    if (end < 0) {
      scanned_ = pending_.size();
      if (pending_.size() - at > room) {
        return fail(framing ? kMalformedReason : kHeaderTooLongReason);
      }
      break;
    }
    scanned_ = 0;
    const qint64 length = end + 1 - at;
    if (length > room) {
      return fail(framing ? kMalformedReason : kHeaderTooLongReason);
    }
    QByteArray line = pending_.mid(at, end - at);
    at = end + 1;
    if (line.endsWith('\r')) {
      line.chop(1);
    }
    if (!framing) {
      headerBytes_ += length;
      if (!ParseHeaderLine(line)) {
        return false;
      }
      continue;
    }
    if ((wireBytes_ += length) > kMaxWireBytes) {
      return fail(kMalformedReason);
    }
    if (stage_ == Stage::ChunkEnd) {
      if (!line.isEmpty()) {
        return fail(kMalformedReason);
      }
      stage_ = Stage::ChunkSize;
      continue;
    }
    const QByteArray size = line.left(line.indexOf(';')).trimmed();
    bool ok = !size.isEmpty() && size.size() <= 12 &&
              std::all_of(size.begin(), size.end(), [](char c) { return isxdigit(uchar(c)); });
    if (ok) {
      chunkLeft_ = size.toLongLong(&ok, 16);
    }
    if (!ok) {
      return fail(kMalformedReason);
    }
    stage_ = chunkLeft_ == 0 ? Stage::Trailer : Stage::ChunkData;
  }
  scanned_ = std::max<qsizetype>(0, scanned_ - at);
  pending_.remove(0, at);
  return true;
}

bool TWebLoader::ParseHeaderLine(const QByteArray& line) {
  if (stage_ == Stage::StatusLine) {
    if (line.isEmpty()) {
      return true;  // some servers end an interim answer with one line end too many
    }
    // "HTTP/1.1 200 OK"; the reason may be empty.
    const QByteArray code = line.mid(9, 3);
    const bool ok = line.startsWith("HTTP/1.") && line.size() >= 12 && line[8] == ' ' &&
                    (line.size() == 12 || line[12] == ' ') &&
                    std::all_of(code.begin(), code.end(), [](char c) { return isdigit(uchar(c)); });
    status_ = ok ? code.toInt() : 0;
    if (status_ < 100) {
      Fail(QLatin1String(kMalformedReason));
      return false;
    }
    reason_ = line.mid(13, 100);
    location_.clear();
    contentType_.clear();
    contentEncoding_.clear();
    transferEncoding_.clear();
    contentLength_ = -1;
    stage_ = Stage::Header;
    return true;
  }
  if (line.isEmpty()) {
    if (stage_ == Stage::Trailer) {
      Finish();
      return false;
    }
    return EndOfHeader();
  }
  // Trailer fields, and lines folded onto the field before them, say nothing we use.
  if (stage_ == Stage::Trailer || line.startsWith(' ') || line.startsWith('\t')) {
    return true;
  }
  const qsizetype colon = line.indexOf(':');
  if (colon <= 0) {
    Fail(QLatin1String(kMalformedReason));
    return false;
  }
  const QByteArray name = line.left(colon).trimmed().toLower();
  const QByteArray value = line.mid(colon + 1).trimmed();
  if (name == "content-length") {
    bool ok = !value.isEmpty() && value.size() <= 15 &&
              std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
    const qint64 length = ok ? value.toLongLong(&ok) : -1;
    // Two lengths that differ are a framing lie: which of them is the body's?
    if (!ok || (contentLength_ >= 0 && length != contentLength_)) {
      Fail(QLatin1String(kMalformedReason));
      return false;
    }
    contentLength_ = length;
  } else if (name == "transfer-encoding" || name == "content-encoding") {
    QByteArray& codings = name == "transfer-encoding" ? transferEncoding_ : contentEncoding_;
    codings += (codings.isEmpty() ? "" : ",") + value.toLower();
  } else if (name == "location") {
    location_ = value;
  } else if (name == "content-type") {
    contentType_ = value.toLower();
  }
  return true;
}

bool TWebLoader::EndOfHeader() {
  if (status_ < 200) {
    // Interim answers ("100 Continue" and the like) come before the real one; "101
    // Switching Protocols" would leave HTTP altogether.
    if (status_ == 101 || ++interims_ > kMaxInterimAnswers) {
      Fail(QLatin1String(kMalformedReason));
      return false;
    }
    stage_ = Stage::StatusLine;
    return true;
  }
  const bool redirect =
      status_ == 301 || status_ == 302 || status_ == 303 || status_ == 307 || status_ == 308;
  if (redirect && !location_.isEmpty()) {
    QUrl target = url_.resolved(QUrl::fromEncoded(location_));
    // Never from a secure address to a plain one, never off the web, never with
    // credentials in the address.
    const bool downgrade = url_.scheme().toLower() == QLatin1String("https") &&
                           target.scheme().toLower() != QLatin1String("https");
    if (!target.isValid() || !IsWebAddress(target) || downgrade) {
      Fail(QLatin1String(kRedirectRefusedReason));
    } else if (++redirects_ > kMaxRedirects) {
      Fail(QLatin1String(kTooManyRedirectsReason));
    } else {
      target.setUserInfo(QString());
      Connect(target);
    }
    return false;
  }
  if (status_ > 299) {
    // Whatever it asks for (a credential, a login through a proxy): the load has failed.
    Fail(QString::fromLatin1(kHttpStatusReason).arg(status_).arg(QString::fromLatin1(reason_)));
    return false;
  }
  const QByteArray transfer = transferEncoding_.trimmed();
  const QByteArray content = contentEncoding_.trimmed();
  if ((!transfer.isEmpty() && transfer != "chunked") ||
      (!content.isEmpty() && content != "identity")) {
    Fail(QLatin1String(kEncodingReason));
    return false;
  }
  if (!transfer.isEmpty()) {
    stage_ = Stage::ChunkSize;
    return true;
  }
  if (status_ == 204 || status_ == 205 || contentLength_ == 0) {
    Finish();
    return false;
  }
  stage_ = Stage::Body;
  return true;
}

bool TWebLoader::TakeBody(const QByteArray& bytes) {
  if ((wireBytes_ += bytes.size()) > kMaxWireBytes) {
    Fail(QLatin1String(kMalformedReason));  // a flood of chunk framing
    return false;
  }
  body_.append(bytes);
  if (body_.size() > kMaxDocumentBytes) {
    // Enough to tell it is too large: the rest is not even read.
    body_.truncate(kMaxDocumentBytes + 1);
    Finish();
    return false;
  }
  return true;
}

void TWebLoader::Finish() {
  const QByteArray bytes = body_;
  const QUrl address = url_;
  const bool plainText = contentType_.startsWith("text/plain");
  Abort();
  Report([this, bytes, address, plainText] { emit Loaded(bytes, address, plainText); });
}

void TWebLoader::Fail(const QString& reason) {
  Abort();
  Report([this, reason] { emit Failed(reason); });
}

// The end is told from the event loop, not from inside the socket's signal that brought it:
// the page shown next may run a nested event loop that destroys this loader, and the
// socket with it, under a signal still being emitted.
void TWebLoader::Report(std::function<void()> tell) {
  const quint64 generation = generation_;
  QTimer::singleShot(0, this, [this, generation, tell = std::move(tell)] {
    if (generation == generation_) {
      tell();
    }
  });
}

}  // namespace solvara
