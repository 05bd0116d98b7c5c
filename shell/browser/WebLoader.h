// Fetches the one web document a browser is loading, bounded in what it may cost.
#pragma once

#include <QByteArray>
#include <QHostInfo>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

namespace solvara {

class TWebLoader : public QObject {
  Q_OBJECT

 public:
  explicit TWebLoader(QObject* parent = nullptr);
  ~TWebLoader() override;

  // Starts fetching a web address, abandoning any load in progress. The load ends with
  // exactly one of Loaded or Failed, emitted from the event loop, never from inside Start.
  void Start(const QUrl& url);
  // Abandons the load in progress, if any: it reports nothing and its transfer ends.
  void Abort();

  // How long a web transfer may stall before it counts as failed, in milliseconds.
  static void SetTransferTimeout(int milliseconds);
  static int TransferTimeout();

 signals:
  // The document's bytes, more than kMaxDocumentBytes of them when it is larger than that
  // (then not all of them); the address they came from, after any redirection; whether the
  // server calls them plain text.
  void Loaded(const QByteArray& bytes, const QUrl& address, bool plainText);
  // The load failed; reason says why, in words for the error page.
  void Failed(const QString& reason);

 private slots:
  void OnHostLookedUp(const QHostInfo& info);

 private:
  void SendRequest(const QUrl& url);
  void OnStalled();
  void OnFinished(QNetworkReply* reply);
  // Lets the reply go without a word from it; the reply object goes later.
  void Drop();

  QNetworkAccessManager* network_ = nullptr;  // made on the first request
  QPointer<QNetworkReply> reply_;             // the transfer in progress, if any
  QUrl url_;                                  // the address asked for
  int lookupId_ = -1;                         // its host lookup, while that runs
  // Ends the load when neither the lookup nor the transfer has moved for the transfer
  // timeout. Ours rather than the request's own, which covers no lookup and aborts
  // the reply from inside Qt.
  QTimer* stallTimer_;
};

}  // namespace solvara
