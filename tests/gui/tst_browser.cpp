// The browser layer: navigation and completion, loading bytes, printing, and the
// right-click filter driven through the window as real input would arrive.
#include <QLineEdit>
#include <QPrinter>
#include <QScrollBar>
#include <QTcpServer>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <QtTest>

#include "globals.h"
#include "shell/BrowserU.h"
#include "tests/gui/support/LocalHttpServer.h"

using namespace solvara;

namespace {

// Counts the button presses, releases and menu requests that get past the filter; it
// eats the menu requests, so that a broken filter fails instead of opening a menu.
struct Seen : QObject {
  explicit Seen(QObject* watched) { watched->installEventFilter(this); }
  int right = 0, left = 0, menus = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease) {
      ++(static_cast<QMouseEvent*>(event)->button() == Qt::RightButton ? right : left);
    }
    return type == QEvent::ContextMenu && ++menus > 0;
  }
};

}  // namespace

class TestBrowser : public QObject {
  Q_OBJECT

  LocalHttpServer server_;
  QTemporaryDir dir_;

 private slots:
  void initTestCase() { QVERIFY(server_.Start() && dir_.isValid()); }
  void cleanup() {
    RemoveMouseHook();
    TWebBrowser::SetTransferTimeout(30000);
    server_.SetSilent(false);
  }

  // Every address completes once: the blank page before Navigate returns, the others
  // later, each at its own address or, when it cannot be loaded, on the error page.
  void navigate_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("text");
    auto web = [this](const char* path) { return server_.Url(path).toString(); };
    server_.SetResponse("/news.htm", 200, "<p>Latest news \xe2\x82\xac</p>");
    server_.SetRedirect("/moved", "/news.htm");
    QTcpServer closed;  // its port refuses connections once it is gone with this function
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    QFile file(dir_.filePath("help.htm"));  // closed, so written, when this function ends
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("<p>Hilfe f\xc3\xbcr Solvara</p>") > 0);
    const QString news = web("/news.htm");
    const QString blank = "about:blank", error = TWebBrowser::kErrorPageAddress, lost = "could not";
    const QString refused = QString("http://127.0.0.1:%1/").arg(closed.serverPort());
    QTest::newRow("blank") << blank << blank << QString();
    QTest::newRow("file") << file.fileName() << file.fileName() << "Hilfe f\xc3\xbcr Solvara";
    QTest::newRow("missing file") << dir_.filePath("no.htm") << error << lost;
    QTest::newRow("device") << "/dev/zero" << error << lost;
    QTest::newRow("web") << news << news << "Latest news \xe2\x82\xac";
    QTest::newRow("redirect") << web("/moved") << news << "Latest news \xe2\x82\xac";
    QTest::newRow("404") << web("/no.htm") << error << lost;
    QTest::newRow("refused") << refused << error << lost;
  }
  void navigate() {
    QFETCH(QString, address);
    QFETCH(QString, url);
    QFETCH(QString, text);
    TWebBrowser browser;
    browser.LoadDocument("<p>previous document</p>");
    QSignalSpy completions(&browser, &TWebBrowser::DocumentComplete);
    browser.Navigate(address);
    QCOMPARE(completions.count(), url == "about:blank" ? 1 : 0);
    QTRY_COMPARE(completions.count(), 1);
    QCOMPARE(browser.ReadyState(), TWebBrowser::kReadyStateComplete);
    QCOMPARE(browser.Url(), url);
    const QString shown = browser.View()->toPlainText();
    QVERIFY2(shown.contains(text) && !shown.contains("previous"), qPrintable(shown));
    browser.LoadDocument("<p>built-in</p>");  // bytes loaded over a page never pass for it
    QCOMPARE(browser.Url(), "about:blank");
  }

  // A silent server gives the error page once the transfer stalls; loads given up for
  // another document or with their browser never complete and close their connection.
  void silentServer() {
    TWebBrowser::SetTransferTimeout(300);
    server_.SetSilent(true);
    const QString slow = server_.Url("/slow.htm").toString();
    TWebBrowser browser;
    QSignalSpy completions(&browser, &TWebBrowser::DocumentComplete);
    browser.Navigate(slow);
    QTRY_COMPARE_WITH_TIMEOUT(completions.count(), 1, 10000);
    QCOMPARE(browser.Url(), TWebBrowser::kErrorPageAddress);
    const int asked = server_.Requests().size();
    browser.Navigate(slow);
    QTRY_COMPARE(server_.Requests().size(), asked + 1);
    LoadHTMLIntoBrowser(&browser, "<p>report</p>");
    for (const QString& address : {slow, dir_.filePath("a.htm")}) {
      TWebBrowser(nullptr).Navigate(address);
    }
    QTest::qWait(600);  // well past the transfer timeout of the abandoned loads
    QCOMPARE(completions.count(), 3);
    QCOMPARE(browser.View()->toPlainText(), "report");
    QTRY_COMPARE(server_.UnansweredConnections(), 0);
  }

  // The blank page completes first, then the bytes, shown unchanged; a handler that
  // detaches itself and loads a page (as the news page does) is not called for it.
  void loadHtml() {
    TWebBrowser browser;
    QStringList seen;
    connect(&browser, &TWebBrowser::DocumentComplete, this,
            [&] { seen << browser.Url() + '|' + browser.View()->toPlainText(); });
    LoadHTMLIntoBrowser(&browser,
                        "<HTML><BODY><H1><u>Results</u></H1><p>Stra\xc3\x9f"
                        "e \xe2\x80\x93 1 \xe2\x82\xac \xf0\x9f\x8e\xb5</p></BODY></HTML>");
    LoadHTMLIntoBrowser(&browser, QByteArray());
    QCOMPARE(seen, (QStringList{"about:blank|", "about:blank|Results\nStraße – 1 € \U0001F3B5",
                                "about:blank|", "about:blank|"}));
    int calls = 0;
    QMetaObject::Connection handler;
    handler = connect(&browser, &TWebBrowser::DocumentComplete, this, [&] {
      ++calls;
      disconnect(handler);
      LoadHTMLIntoBrowser(&browser, "<p>built-in news</p>");
    });
    browser.Navigate(dir_.filePath("missing.htm"));
    QTRY_COMPARE(seen.size(), 7);
    QCOMPARE(calls, 1);
    QCOMPARE(browser.View()->toPlainText(), "built-in news");
  }

  // While the filter is in force, right clicks and menu requests never reach the HTML
  // area or its scroll bar, but the left button does and other widgets keep theirs.
  void inAWindow() {
    QWidget window;
    auto* browser = new TWebBrowser(&window);
    auto* edit = new QLineEdit(&window);
    (new QVBoxLayout(&window))->addWidget(browser);
    window.layout()->addWidget(edit);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    LoadHTMLIntoBrowser(browser, QByteArray("<p>long enough to scroll</p>").repeated(200));
    QWidget* area = browser->View()->viewport();
    QScrollBar* bar = browser->View()->verticalScrollBar();
    QWindow* handle = window.windowHandle();
    auto at = [&](QWidget* w) { return w->mapTo(&window, w->rect().center()); };
    // The platform turns the menu key into a keyboard menu request to the window.
    auto rightClicksAndMenuKey = [&] {
      QTest::mouseClick(handle, Qt::RightButton, {}, at(area));
      QTest::mouseClick(handle, Qt::RightButton, {}, at(bar));
      browser->View()->setFocus();
      QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, at(area),
                                window.mapToGlobal(at(area)));
      QApplication::sendEvent(handle, &menuKey);
    };
    InstallMouseHook();
    QVERIFY(MouseHookHandle != nullptr);
    Seen onArea(area), onView(browser->View()), onBar(bar), onEdit(edit);
    rightClicksAndMenuKey();
    QCOMPARE(onArea.right + onView.right + onBar.right, 0);
    QCOMPARE(onArea.menus + onView.menus + onBar.menus, 0);
    QTest::mouseClick(handle, Qt::LeftButton, {}, at(area));
    QCOMPARE(onArea.left, 2);
    QTest::mouseClick(handle, Qt::RightButton, {}, at(edit));
    QCOMPARE(onEdit.right, 2);
    QCOMPARE(onEdit.menus, 1);
    RemoveMouseHook();
    QCOMPARE(MouseHookHandle, nullptr);
    RemoveMouseHook();
    rightClicksAndMenuKey();  // all of it arrives again, so the zeros above meant something
    QCOMPARE(onArea.right + onBar.right, 4);
    QCOMPARE(onArea.menus + onView.menus + onBar.menus, 3);
  }

  // The paper holds the text shown; a second Print while the dialog is up does nothing.
  void printing() {
    TWebBrowser browser;
    LoadHTMLIntoBrowser(&browser, "<H1><u>Results</u></H1><p>Your application would be accepted");
    const QString pdf = dir_.filePath("printed.pdf");
    bool nested = true;
    TWebBrowser::SetPrintDialogHook([&](QPrinter* printer, QWidget*) {
      nested = browser.Print();
      printer->setOutputFormat(QPrinter::PdfFormat);
      printer->setOutputFileName(pdf);
      return true;
    });
    QVERIFY(browser.Print() && !nested);
    TWebBrowser::SetPrintDialogHook({});
    QProcess process;
    process.start("pdftotext", {pdf, "-"});
    QVERIFY2(process.waitForFinished(20000), "pdftotext (poppler-utils) is needed");
    const QString text = QString::fromUtf8(process.readAllStandardOutput()).simplified();
    QVERIFY2(text.startsWith("Results Your application would be accepted"), qPrintable(text));
  }
};

QTEST_MAIN(TestBrowser)
#include "tst_browser.moc"
