// The HTML view every page of the program shows its documents in, and the filter
// that keeps right clicks away from it.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWidget>

class QTextBrowser;
class QPrinter;
class QNetworkAccessManager;
class QNetworkReply;

namespace solvara {

// A rich-text view with the operations the pages rely on: navigate to a web address,
// a local file path or "about:blank"; report completion; replace the document by
// bytes; tell the current address; print.
class TWebBrowser : public QWidget {
  Q_OBJECT

 public:
  explicit TWebBrowser(QWidget* parent = nullptr);
  ~TWebBrowser() override;

  // Starts loading an address: "about:blank", an http(s) address (fetched
  // asynchronously) or a local file path. Completion is told by DocumentComplete.
  void Navigate(const QString& address);

  // 4 once the current document is fully loaded, 1 while loading.
  int ReadyState() const;

  // The address of the document now shown.
  QString Url() const;

  // Replaces the current document by HTML bytes (UTF-8), completing at once.
  void LoadDocument(const QByteArray& html);

  // Shows the print dialog and prints the current document; false when cancelled.
  bool Print();

  // Prints the current document on a printer that is already set up.
  void PrintTo(QPrinter* printer) const;

  // The HTML area itself (the widget whose viewport receives the mouse).
  QTextBrowser* View() const;

 signals:
  void DocumentComplete();

 private:
  struct Private;
  Private* d;
};

// Shows HTML bytes in a browser: the blank page first, then the bytes, unchanged.
void LoadHTMLIntoBrowser(TWebBrowser* browser, const QByteArray& bytes);

// Application-wide filter withholding right-button and context-menu events from
// every HTML area. Pages install it when they are created and remove it when they go.
class TMouseHook : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

void InstallMouseHook();  // sets MouseHookHandle
void RemoveMouseHook();   // removes and clears MouseHookHandle, if any

}  // namespace solvara
