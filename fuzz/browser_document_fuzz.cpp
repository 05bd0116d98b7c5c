// Arbitrary bytes handed to the browser layer as a news page from the web: decoded by the
// character set they declare, checked against the size and layout bounds, given to Qt's
// HTML parser, laid out whole and painted. One QApplication for the run, offscreen. Qt
// itself is not instrumented: the sanitizers see our code and every allocation, not Qt's
// own memory accesses.
#include <QApplication>
#include <QTextBrowser>
#include <QTextDocument>

#include "fuzz/FuzzCheck.h"
#include "shell/browser/BrowserU.h"

namespace {

const QUrl kAddress(QStringLiteral("http://news.example/news100/news0809.htm"));

// The application and the browser live as long as the process and are never destroyed:
// destroying them at exit, after Qt's own caches (made later, so gone earlier), would
// crash or leave the caches' contents unreferenced.
solvara::TWebBrowser& Browser() {
  static int argc = 1;
  static char name[] = "browser_document_fuzz";
  static char* argv[] = {name, nullptr};
  static QApplication* const app = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's warnings about odd markup would only slow the run down.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    return new QApplication(argc, argv);
  }();
  // Never shown, so that it never takes the focus. grab() lays it out at its size.
  static solvara::TWebBrowser* const browser = [] {
    auto* made = new solvara::TWebBrowser;
    made->resize(538, 380);
    return made;
  }();
  (void)app;
  return *browser;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  solvara::TWebBrowser& browser = Browser();
  browser.ShowWebDocument(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)),
                          kAddress);
  FUZZ_CHECK(browser.ReadyState() == solvara::TWebBrowser::kReadyStateComplete);
  FUZZ_CHECK(browser.Url() == kAddress.toString() ||
             browser.Url() == solvara::TWebBrowser::kErrorPageAddress);
  browser.View()->document()->size();  // the whole document laid out
  browser.grab();                      // and painted
  // Whatever Qt posted meanwhile, and the document shown before, which goes this way.
  QCoreApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  return 0;
}
