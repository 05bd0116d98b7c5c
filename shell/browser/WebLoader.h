// Fetches the one web document a browser is loading, over HTTP/1.1 of our own on a socket
// of the user-interface thread, so that every byte the server sends is bounded by us:
// the time, the header part, the interim answers, the redirections, the body and the
// memory it takes, and no credential of any kind is ever sent.
#pragma once

#include <QByteArray>
#include <QHostInfo>
#include <QObject>
#include <QString>
#include <QUrl>
#include <functional>

class QTcpSocket;
class QTimer;

namespace solvara {

class TWebLoader : public QObject {
  Q_OBJECT

 public:
  // How long a web load may take, from its start to its end, whatever the server does.
  static constexpr int kLoadDeadlineMs = 15000;

  explicit TWebLoader(QObject* parent = nullptr);
  ~TWebLoader() override;

  // Starts fetching a web address, abandoning any load in progress. The load ends with
  // exactly one of Loaded or Failed, emitted from the event loop itself (never from inside
  // Start or a socket's signal), its connection closed already.
  void Start(const QUrl& url);
  // Abandons the load in progress, if any: it reports nothing and its connection is closed.
  void Abort();

  // The deadline of the loads started from now on, in milliseconds; tests shorten it.
  static void SetDeadline(int milliseconds);
  static int Deadline();

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
  enum class Stage { StatusLine, Header, ChunkSize, ChunkData, ChunkEnd, Trailer, Body };

  void Connect(const QUrl& url);
  void OnReadable();
  void OnClosed();
  // Reads what arrived; false once the load has ended.
  bool Parse();
  bool ParseHeaderLine(const QByteArray& line);
  bool EndOfHeader();
  bool TakeBody(const QByteArray& bytes);
  void Finish();
  void Fail(const QString& reason);
  void Report(std::function<void()> tell);
  // Closes the connection at once and forgets it; nothing more is read from it.
  void Drop();

  QTcpSocket* socket_ = nullptr;
  QTimer* deadline_;
  QUrl url_;                // the address being fetched, after any redirection
  int lookupId_ = -1;       // its host lookup, while that runs
  quint64 generation_ = 0;  // bumped when a load ends, so a call queued for it is dropped
  int redirects_ = 0;
  int interims_ = 0;
  // The answer read so far.
  Stage stage_ = Stage::StatusLine;
  QByteArray pending_;     // bytes not yet taken
  qsizetype scanned_ = 0;  // how far pending_ is known to hold no line end
  qint64 headerBytes_ = 0;
  qint64 wireBytes_ = 0;  // everything the server sent after the header, framing included
  int status_ = 0;
  QByteArray reason_, location_, contentType_, contentEncoding_, transferEncoding_;
  qint64 contentLength_ = -1;  // -1 for none
  qint64 chunkLeft_ = 0;
  QByteArray body_;
};

}  // namespace solvara
