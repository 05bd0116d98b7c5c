// A tiny HTTP/1.0 server on 127.0.0.1 for tests: serves fixed responses by path,
// records every request, and can accept connections without ever answering.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

class QTcpServer;
class QTcpSocket;

class LocalHttpServer : public QObject {
 public:
  explicit LocalHttpServer(QObject* parent = nullptr);

  // Listens on 127.0.0.1 at a port the system picks. False when that fails.
  bool Start();
  // "http://127.0.0.1:<port>" followed by path (which should begin with "/").
  QUrl Url(const QString& path) const;

  // What a request for this path (without its query) gets; unknown paths get 404.
  void SetResponse(const QString& path, int status, const QByteArray& body);

  // While silent, requests are recorded but never answered, their connections left open.
  void SetSilent(bool silent) { silent_ = silent; }

  // The targets requested: each the path with any query, as sent.
  QList<QByteArray> Requests() const { return requests_; }
  // Connections accepted and neither answered nor closed by the client.
  int UnansweredConnections() const { return pending_.size(); }

 private:
  struct Response {
    int status = 404;
    QByteArray body = "<html><body>Not found</body></html>";
  };
  void OnReadyRead(QTcpSocket* socket);

  QTcpServer* server_;
  QHash<QString, Response> responses_;
  QHash<QTcpSocket*, QByteArray> pending_;  // what each open connection has sent so far
  QList<QByteArray> requests_;
  bool silent_ = false;
};
