// A tiny HTTP/1.0 server on 127.0.0.1 for tests: serves fixed responses by path,
// records every request, and can accept connections without ever answering.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QUrl>

class QTcpServer;
class QTcpSocket;

class LocalHttpServer : public QObject {
  Q_OBJECT

 public:
  struct Response {
    int status = 200;
    QByteArray body;
    QByteArray contentType = "text/html";
    // Further header lines, e.g. {"Location", "/elsewhere"} for a redirect.
    QList<QPair<QByteArray, QByteArray>> headers;
  };

  struct Request {
    QByteArray requestLine;  // e.g. "GET /news100/news0409.htm HTTP/1.1"
    QByteArray method;
    QByteArray target;                                // path with query, as sent
    QList<QPair<QByteArray, QByteArray>> headers;     // in the order received
    QByteArray Header(const QByteArray& name) const;  // case-insensitive; empty when absent
  };

  explicit LocalHttpServer(QObject* parent = nullptr);
  ~LocalHttpServer() override;

  // Listens on 127.0.0.1 at a port the system picks. False when that fails.
  bool Start();
  quint16 Port() const;
  // "http://127.0.0.1:<port>" followed by path (which should begin with "/").
  QUrl Url(const QString& path) const;

  // What a request for this path (the target without its query, or the whole
  // target) gets. Unknown paths get 404 with a short body.
  void SetResponse(const QString& path, const Response& response);
  void SetResponse(const QString& path, int status, const QByteArray& body);
  void SetRedirect(const QString& path, const QString& location, int status = 302);

  // While silent, connections are accepted and requests read and recorded, but no
  // answer is ever sent and the connection is left open.
  void SetSilent(bool silent);

  QList<Request> Requests() const { return requests_; }
  QList<QByteArray> RequestLines() const;
  // Connections accepted and not yet answered (nor closed by the client).
  int UnansweredConnections() const;

 signals:
  void requestReceived(const QByteArray& requestLine);

 private:
  void OnNewConnection();
  void OnReadyRead(QTcpSocket* socket);
  void Answer(QTcpSocket* socket, const Request& request);

  QTcpServer* server_;
  QHash<QString, Response> responses_;
  QHash<QTcpSocket*, QByteArray> pending_;
  QList<Request> requests_;
  bool silent_ = false;
};
