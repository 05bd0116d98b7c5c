// The news page: the language's news file from the web site, or a built-in page in
// its place. The same page shows the help file.
#pragma once

#include <QByteArray>
#include <QLocale>
#include <QMetaObject>
#include <QString>
#include <QWidget>
#include <functional>

namespace solvara {

class TWebBrowser;

class TNewsForm : public QWidget {
  Q_OBJECT

 public:
  // helpShown tells whether the main window's Help button is down, that is whether
  // the page is showing the help file rather than the news.
  explicit TNewsForm(std::function<bool()> helpShown, QWidget* parent = nullptr);
  ~TNewsForm() override;

  enum class TNewsState {
    Watching,  // waiting for the news document to complete
    Accepted,  // the downloaded news page was accepted
    BuiltIn    // the news did not load; the built-in page is shown
  };
  TNewsState State() const { return state_; }

  // The home page, "/news100/", "news" + the language code, ".htm".
  static QString NewsAddress(const QLocale& locale = QLocale::system());
  // The file name the address of an accepted news page contains, upper case.
  static QString ExpectedFileName(const QLocale& locale = QLocale::system());
  // The page shown when the news cannot be loaded.
  static QByteArray BuiltInNewsPage();

  // Loads the address into the page's view, which assistive tools then call by name.
  void Navigate(const QString& address, const QString& name);

 private slots:
  void WebBrowserDocumentComplete();

 private:
  void FormCreate();
  void FormDestroy();

  TWebBrowser* WebBrowser = nullptr;

  std::function<bool()> helpShown_;
  QMetaObject::Connection completeHandler_;
  TNewsState state_ = TNewsState::Watching;
};

}  // namespace solvara
