#include "LocalHttpServer.h"

#include <QTcpServer>
#include <QTcpSocket>

LocalHttpServer::LocalHttpServer(QObject* parent) : QObject(parent), server_(new QTcpServer(this)) {
  connect(server_, &QTcpServer::newConnection, this, [this] {
    while (QTcpSocket* socket = server_->nextPendingConnection()) {
      socket->setParent(this);
      pending_.insert(socket, QByteArray());
      connect(socket, &QTcpSocket::readyRead, this, [this, socket] { OnReadyRead(socket); });
      connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
        pending_.remove(socket);
        socket->deleteLater();
      });
    }
  });
}

bool LocalHttpServer::Start() {
  return server_->isListening() || server_->listen(QHostAddress::LocalHost, 0);
}

QUrl LocalHttpServer::Url(const QString& path) const {
  return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(server_->serverPort()).arg(path));
}

void LocalHttpServer::SetResponse(const QString& path, int status, const QByteArray& body) {
  responses_.insert(path, {status, body});
}

void LocalHttpServer::OnReadyRead(QTcpSocket* socket) {
  auto it = pending_.find(socket);
  if (it == pending_.end()) {  // answered already: whatever follows is of no interest
    socket->readAll();
    return;
  }
  it->append(socket->readAll());
  if (!it->contains("\r\n\r\n")) {
    return;
  }
  requests_.append(it->left(it->indexOf("\r\n")).split(' ').value(1));
  it->clear();
  if (silent_) {
    return;
  }

  const QString path = QString::fromUtf8(requests_.constLast()).section(QLatin1Char('?'), 0, 0);
  const Response response = responses_.value(path);
  // The body apart, so that the socket shares it rather than copying a large one.
  socket->write("HTTP/1.0 " + QByteArray::number(response.status) +
                " Status\r\nContent-Type: text/html\r\nContent-Length: " +
                QByteArray::number(response.body.size()) + "\r\nConnection: close\r\n\r\n");
  socket->write(response.body);
  pending_.erase(it);
  socket->disconnectFromHost();
}
