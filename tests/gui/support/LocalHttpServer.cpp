#include "LocalHttpServer.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

namespace {

QByteArray ReasonPhrase(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 301:
      return "Moved Permanently";
    case 302:
      return "Found";
    case 303:
      return "See Other";
    case 307:
      return "Temporary Redirect";
    case 400:
      return "Bad Request";
    case 403:
      return "Forbidden";
    case 404:
      return "Not Found";
    case 500:
      return "Internal Server Error";
    case 503:
      return "Service Unavailable";
    default:
      return "Status";
  }
}

// A client that never finishes its headers should not make the server hoard memory.
constexpr int kMaxRequestHead = 64 * 1024;

}  // namespace

QByteArray LocalHttpServer::Request::Header(const QByteArray& name) const {
  for (const auto& header : headers) {
    if (header.first.compare(name, Qt::CaseInsensitive) == 0) {
      return header.second;
    }
  }
  return {};
}

LocalHttpServer::LocalHttpServer(QObject* parent) : QObject(parent), server_(new QTcpServer(this)) {
  connect(server_, &QTcpServer::newConnection, this, &LocalHttpServer::OnNewConnection);
}

LocalHttpServer::~LocalHttpServer() = default;

bool LocalHttpServer::Start() {
  return server_->isListening() || server_->listen(QHostAddress::LocalHost, 0);
}

quint16 LocalHttpServer::Port() const {
  return server_->serverPort();
}

QUrl LocalHttpServer::Url(const QString& path) const {
  return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(Port()).arg(path));
}

void LocalHttpServer::SetResponse(const QString& path, const Response& response) {
  responses_.insert(path, response);
}

void LocalHttpServer::SetResponse(const QString& path, int status, const QByteArray& body) {
  Response response;
  response.status = status;
  response.body = body;
  SetResponse(path, response);
}

void LocalHttpServer::SetRedirect(const QString& path, const QString& location, int status) {
  Response response;
  response.status = status;
  response.headers.append({"Location", location.toUtf8()});
  SetResponse(path, response);
}

void LocalHttpServer::SetSilent(bool silent) {
  silent_ = silent;
}

QList<QByteArray> LocalHttpServer::RequestLines() const {
  QList<QByteArray> lines;
  for (const auto& request : requests_) {
    lines.append(request.requestLine);
  }
  return lines;
}

int LocalHttpServer::UnansweredConnections() const {
  return pending_.size();
}

void LocalHttpServer::OnNewConnection() {
  while (QTcpSocket* socket = server_->nextPendingConnection()) {
    socket->setParent(this);
    pending_.insert(socket, QByteArray());
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { OnReadyRead(socket); });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
      pending_.remove(socket);
      socket->deleteLater();
    });
  }
}

void LocalHttpServer::OnReadyRead(QTcpSocket* socket) {
  auto it = pending_.find(socket);
  if (it == pending_.end()) {
    socket->readAll();
    return;
  }
  it->append(socket->readAll());
  const int end = it->indexOf("\r\n\r\n");
  if (end < 0) {
    if (it->size() > kMaxRequestHead) {
      pending_.erase(it);
      socket->abort();
      socket->deleteLater();
    }
    return;
  }

  const QList<QByteArray> lines = it->left(end).split('\n');
  // Anything after the head (a request body) is of no interest to these tests.
  it->clear();

  Request request;
  request.requestLine = lines.value(0).trimmed();
  const QList<QByteArray> parts = request.requestLine.split(' ');
  request.method = parts.value(0);
  request.target = parts.value(1);
  for (int i = 1; i < lines.size(); ++i) {
    const QByteArray line = lines[i].trimmed();
    const int colon = line.indexOf(':');
    if (colon > 0) {
      request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
    }
  }
  requests_.append(request);
  emit requestReceived(request.requestLine);

  if (!silent_) {
    Answer(socket, request);
  }
}

void LocalHttpServer::Answer(QTcpSocket* socket, const Request& request) {
  const QString target = QString::fromUtf8(request.target);
  const QString path = target.section(QLatin1Char('?'), 0, 0);
  Response response;
  if (responses_.contains(target)) {
    response = responses_.value(target);
  } else if (responses_.contains(path)) {
    response = responses_.value(path);
  } else {
    response.status = 404;
    response.body = "<html><body>Not found</body></html>";
  }

  QByteArray head = "HTTP/1.0 " + QByteArray::number(response.status) + ' ' +
                    ReasonPhrase(response.status) + "\r\n";
  head += "Content-Type: " + response.contentType + "\r\n";
  head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
  for (const auto& header : response.headers) {
    head += header.first + ": " + header.second + "\r\n";
  }
  head += "Connection: close\r\n\r\n";
  socket->write(head);
  if (request.method != "HEAD") {
    socket->write(response.body);
  }
  pending_.remove(socket);
  socket->disconnectFromHost();
}
