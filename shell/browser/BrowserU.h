// The HTML view every page of the program shows its documents in, its printing, and the
// filter that keeps right clicks away from it.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <memory>

class QTextBrowser;
class QPrinter;
class QEvent;

namespace solvara {

// A rich-text view with the operations the pages rely on: navigate to a web address,
// a local file path or "about:blank"; report completion; replace the document by
// bytes; tell the current address; print.
class TWebBrowser : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kReadyStateUninitialized = 0;
  static constexpr int kReadyStateLoading = 1;
  static constexpr int kReadyStateComplete = 4;

  // Where a page that could not be loaded is shown instead; it never contains the
  // address that was asked for.
  static const QString kErrorPageAddress;  // "about:neterror"
  static const QString kBlankPageAddress;  // "about:blank"

  explicit TWebBrowser(QWidget* parent = nullptr);
  ~TWebBrowser() override;

  // Starts loading an address: "about:blank", an http(s) address (fetched
  // asynchronously) or a local file path. Completion is told by DocumentComplete.
  // The blank page completes before this returns; files and web addresses later.
  // An address that cannot be loaded completes with the error page.
  void Navigate(const QString& address);

  // 4 once the current document is fully loaded, 1 while loading.
  int ReadyState() const;

  // The address of the document now shown.
  QString Url() const;

  // Replaces the current document by HTML bytes (UTF-8), completing at once; the
  // address becomes "about:blank". Like every document, it is read and shown only within
  // the layout bounds of LayoutCost.h (the error page in its place otherwise).
  void LoadDocument(const QByteArray& html);

  // Replaces the current document by bytes that came from a web address, as the document
  // at that address, completing at once: decoded by the character set they declare, shown
  // as plain text or HTML, and refused with the error page when too large or too costly
  // to lay out. Nothing the document names is read or fetched.
  void ShowWebDocument(const QByteArray& bytes, const QUrl& address, bool plainText = false);

  // Shows the print dialog and prints the current document; false when cancelled.
  bool Print();

  // Prints the current document on a printer that is already set up.
  void PrintTo(QPrinter* printer) const;

  // The HTML area itself (the widget whose viewport receives the mouse).
  QTextBrowser* View() const;

  // How links clicked in a page are opened; an empty function restores the
  // desktop's opener. Only web and mailto links reach it, and file links of a local
  // document; a mailto link arrives with its address, subject, body, cc and bcc only.
  using LinkOpener = std::function<void(const QUrl& url)>;
  static void SetLinkOpener(LinkOpener opener);

  // Stands in for the print dialog: sets the printer up and says whether to print.
  // An empty function restores the real dialog.
  using PrintDialogHook = std::function<bool(QPrinter* printer, QWidget* parent)>;
  static void SetPrintDialogHook(PrintDialogHook hook);

  // How long a web load may take in all before it counts as failed, in milliseconds
  // (TWebLoader::kLoadDeadlineMs unless a test shortens it).
  static void SetTransferTimeout(int milliseconds);
  static int TransferTimeout();

 signals:
  void DocumentComplete();

 private:
  struct Private;
  std::unique_ptr<Private> d;

  void AbortPendingLoad();
  void Complete(const QString& address);
  // Shows text unless its reading or layout would cost more than the budget; false then.
  bool Show(const QString& text, bool html, const QUrl& base, const QString& pictureFolder);
  static QString ErrorPage(const QString& address, const QString& reason);
  void ShowErrorPage(const QString& address, const QString& reason);
  void LoadLocalFile(const QString& address, const QString& path, quint64 generation);
  void OnAnchorClicked(const QUrl& link);
};

// Shows HTML bytes in a browser: the blank page first, then the bytes, unchanged.
void LoadHTMLIntoBrowser(TWebBrowser* browser, const QByteArray& bytes);

// True for the events the right-click filter withholds: right-button presses,
// releases and double clicks, and context-menu requests, aimed at an HTML area
// (the view of a TWebBrowser or its viewport).
bool MouseHookProc(QObject* watched, QEvent* event);

// The filter withholding right-button and context-menu events from every HTML area,
// application-wide. Each page holds one from its creation to its end: made with the page as
// its parent, it is in force at once and gone with the page, whatever order pages go in.
class TMouseHook : public QObject {
  Q_OBJECT

 public:
  explicit TMouseHook(QObject* page = nullptr);
  ~TMouseHook() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

// The right-click filter made last of those that still exist, or null when no page holds one.
extern TMouseHook* MouseHookHandle;

}  // namespace solvara
