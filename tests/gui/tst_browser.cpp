// The browser layer: navigation and completion, loading bytes, printing, and the
// right-click filter driven through the window as real input would arrive.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPrinter>
#include <QProcess>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>

#include "globals.h"
#include "shell/BrowserU.h"
#include "support/LocalHttpServer.h"

using solvara::TWebBrowser;

namespace {

// Ends the program if the tests hang (a nested loop that never returns, say).
class Watchdog {
 public:
  explicit Watchdog(std::chrono::seconds limit)
      : thread_([this, limit] {
          std::unique_lock<std::mutex> lock(mutex_);
          if (!stop_cv_.wait_for(lock, limit, [this] { return stopped_; })) {
            std::fprintf(stderr, "tst_browser: watchdog fired, tests hung\n");
            std::_Exit(3);
          }
        }) {}
  ~Watchdog() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopped_ = true;
    }
    stop_cv_.notify_one();
    thread_.join();
  }

 private:
  std::mutex mutex_;
  std::condition_variable stop_cv_;
  bool stopped_ = false;
  std::thread thread_;
};

// Counts what gets past the application-wide filter to one widget. Context-menu
// events are counted and eaten, so a broken filter fails the test instead of
// blocking it in the menu's own event loop.
class EventCounter : public QObject {
 public:
  explicit EventCounter(QObject* watched) : QObject(watched) { watched->installEventFilter(this); }
  int rightPresses = 0, rightReleases = 0, leftPresses = 0, leftReleases = 0, doubleClicks = 0;
  int contextMenus = 0, wheels = 0, moves = 0, keys = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease: {
        const bool press = event->type() == QEvent::MouseButtonPress;
        const bool right = static_cast<QMouseEvent*>(event)->button() == Qt::RightButton;
        ++(right ? (press ? rightPresses : rightReleases) : (press ? leftPresses : leftReleases));
        break;
      }
      case QEvent::MouseButtonDblClick:
        ++doubleClicks;
        break;
      case QEvent::Wheel:
        ++wheels;
        break;
      case QEvent::MouseMove:
        ++moves;
        break;
      case QEvent::KeyPress:
        ++keys;
        break;
      case QEvent::ContextMenu:
        ++contextMenus;
        return true;
      default:
        break;
    }
    return false;
  }
};

bool AnyMenuShown() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (qobject_cast<QMenu*>(widget) && widget->isVisible()) {
      return true;
    }
  }
  return false;
}

QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
  QFile file(dir.filePath(name));
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
    return {};
  }
  return file.fileName();
}

QString PdfText(const QString& pdf) {
  QProcess process;
  process.start(QStringLiteral("pdftotext"),
                {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
  if (!process.waitForFinished(20000)) {
    return {};
  }
  return QString::fromUtf8(process.readAllStandardOutput()).simplified();
}

}  // namespace

class TestBrowser : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    watchdog_ = std::make_unique<Watchdog>(std::chrono::seconds(90));
    QVERIFY(server_.Start());
  }
  void cleanupTestCase() { watchdog_.reset(); }
  void cleanup() {
    solvara::RemoveMouseHook();
    TWebBrowser::SetLinkOpener({});
    TWebBrowser::SetPrintDialogHook({});
    TWebBrowser::SetTransferTimeout(30000);
    server_.SetSilent(false);
  }

  void blankPageCompletesAtOnce() {
    TWebBrowser browser;
    browser.LoadDocument("<p>old</p>");
    QSignalSpy completions(&browser, &TWebBrowser::DocumentComplete);
    browser.Navigate(QStringLiteral("about:blank"));
    QCOMPARE(completions.count(), 1);
    QCOMPARE(browser.ReadyState(), TWebBrowser::kReadyStateComplete);
    QCOMPARE(browser.Url(), QStringLiteral("about:blank"));
    QVERIFY(browser.View()->toPlainText().isEmpty());
  }

  void localFiles() {
    QTemporaryDir dir;
    const QString path =
        WriteFile(dir, QStringLiteral("help.htm"),
                  "<html><body><h1>Hilfe f\xc3\xbcr Solvara</h1>"
                  "<p><a href=\"other.htm\">Other page</a> <a href=\"#end\">To the end</a></p>" +
                      QByteArray("<p>filler</p>").repeated(200) +
                      "<p><a name=\"end\">The end</a></p></body></html>");
    QVERIFY(!path.isEmpty());
    TWebBrowser browser;
    QSignalSpy completions(&browser, &TWebBrowser::DocumentComplete);
    browser.Navigate(path);
    QCOMPARE(browser.ReadyState(), TWebBrowser::kReadyStateLoading);
    QTRY_COMPARE(completions.count(), 1);
    QCOMPARE(browser.Url(), path);
    QVERIFY(browser.View()->toPlainText().contains(QStringLiteral("Hilfe für Solvara")));

    // A relative link resolves against the file's folder and goes to the opener.
    QList<QUrl> opened;
    TWebBrowser::SetLinkOpener([&](const QUrl& url) { opened.append(url); });
    browser.resize(400, 300);
    browser.show();
    QVERIFY(QTest::qWaitForWindowExposed(&browser));
    QTextCursor link = browser.View()->document()->find(QStringLiteral("Other page"));
    QVERIFY(!link.isNull());
    link.setPosition(link.selectionStart() + 2);
    const QPoint at = browser.View()->cursorRect(link).center();
    QTest::mouseClick(browser.View()->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(dir.filePath(QStringLiteral("other.htm")))});
    // An anchor within the page scrolls it and opens nothing.
    QCOMPARE(browser.View()->verticalScrollBar()->value(), 0);
    link = browser.View()->document()->find(QStringLiteral("To the end"));
    link.setPosition(link.selectionStart() + 2);
    QTest::mouseClick(browser.View()->viewport(), Qt::LeftButton, {},
                      browser.View()->cursorRect(link).center());
    QVERIFY(browser.View()->verticalScrollBar()->value() > 0);
    QCOMPARE(opened.size(), 1);
    QCOMPARE(browser.Url(), path);

    // Missing files, folders and devices all end on the error page, and complete.
    int expected = completions.count();
    for (const QString& bad :
         {dir.filePath(QStringLiteral("missing.htm")), dir.path(), QStringLiteral("/dev/zero")}) {
      browser.Navigate(bad);
      ++expected;
      QTRY_COMPARE(completions.count(), expected);
      QCOMPARE(browser.Url(), TWebBrowser::kErrorPageAddress);
      QCOMPARE(browser.ReadyState(), TWebBrowser::kReadyStateComplete);
    }
  }

  void webAddresses() {
    server_.SetResponse(QStringLiteral("/news100/news0409.htm"), 200,
                        "<html><body>Latest news \xe2\x82\xac</body></html>");
    server_.SetRedirect(QStringLiteral("/moved"), QStringLiteral("/news100/news0409.htm"));
    const QString news = server_.Url(QStringLiteral("/news100/news0409.htm")).toString();
    TWebBrowser browser;
    QSignalSpy completions(&browser, &TWebBrowser::DocumentComplete);

    browser.Navigate(news);
    QCOMPARE(browser.ReadyState(), TWebBrowser::kReadyStateLoading);
    QTRY_COMPARE(completions.count(), 1);
    QCOMPARE(browser.Url(), news);
    QVERIFY(browser.View()->toPlainText().contains(QStringLiteral("Latest news €")));
    QCOMPARE(server_.Requests().constLast().requestLine,
             QByteArray("GET /news100/news0409.htm HTTP/1.1"));

    browser.Navigate(server_.Url(QStringLiteral("/moved")).toString());
    QTRY_COMPARE(completions.count(), 2);
    QCOMPARE(browser.Url(), news);  // the final address, after the redirect
    // Bytes loaded over it do not pass for the news page.
    browser.LoadDocument("<p>built-in</p>");
    QCOMPARE(browser.Url(), QStringLiteral("about:blank"));
    completions.removeLast();

    // An error status and a refused connection both give the error page.
    browser.Navigate(server_.Url(QStringLiteral("/news100/news0407.htm")).toString());
    QTRY_COMPARE(completions.count(), 3);
    QCOMPARE(browser.Url(), TWebBrowser::kErrorPageAddress);
    QVERIFY(!browser.View()->toPlainText().contains(QStringLiteral("Latest news")));

    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();
    browser.Navigate(QStringLiteral("http://127.0.0.1:%1/news.htm").arg(port));
    QTRY_COMPARE(completions.count(), 4);
    QCOMPARE(browser.Url(), TWebBrowser::kErrorPageAddress);
  }

  void silentServerTimesOut() {
    TWebBrowser::SetTransferTimeout(300);
    server_.SetSilent(true);
    TWebBrowser browser;
    QSignalSpy completions(&browser, &TWebBrowser::DocumentComplete);
    browser.Navigate(server_.Url(QStringLiteral("/slow.htm")).toString());
    QTRY_COMPARE_WITH_TIMEOUT(completions.count(), 1, 10000);
    QCOMPARE(browser.Url(), TWebBrowser::kErrorPageAddress);
    QTRY_COMPARE(server_.UnansweredConnections(), 0);
  }

  void newNavigationAbandonsPendingLoad() {
    TWebBrowser::SetTransferTimeout(200);
    server_.SetSilent(true);
    TWebBrowser browser;
    QSignalSpy completions(&browser, &TWebBrowser::DocumentComplete);
    const int before = server_.Requests().size();
    browser.Navigate(server_.Url(QStringLiteral("/slow.htm")).toString());
    QTRY_COMPARE(server_.Requests().size(), before + 1);
    solvara::LoadHTMLIntoBrowser(&browser, "<p>report</p>");
    QCOMPARE(completions.count(), 2);
    QTest::qWait(600);  // well past the transfer timeout of the abandoned load
    QCOMPARE(completions.count(), 2);
    QCOMPARE(browser.View()->toPlainText(), QStringLiteral("report"));
    QTRY_COMPARE(server_.UnansweredConnections(), 0);
  }

  void destroyedWhileLoading() {
    TWebBrowser::SetTransferTimeout(200);
    server_.SetSilent(true);
    QTemporaryDir dir;
    const QString file = WriteFile(dir, QStringLiteral("a.htm"), "<p>a</p>");
    int late = 0;
    for (const QString& address : {server_.Url(QStringLiteral("/slow.htm")).toString(), file}) {
      auto browser = std::make_unique<TWebBrowser>();
      connect(browser.get(), &TWebBrowser::DocumentComplete, this, [&late] { ++late; });
      browser->Navigate(address);
      browser.reset();
    }
    QTest::qWait(600);
    QCOMPARE(late, 0);
    QTRY_COMPARE(server_.UnansweredConnections(), 0);
  }

  void loadHtmlCompletesBlankThenDocument() {
    TWebBrowser browser;
    QStringList seen;
    connect(&browser, &TWebBrowser::DocumentComplete, this,
            [&] { seen.append(browser.Url() + QLatin1Char('|') + browser.View()->toPlainText()); });
    const QByteArray report =
        "<HTML><BODY><H1><u>Results</u></H1>"
        "<p>Stra\xc3\x9f"
        "e \xe2\x80\x93 1 \xe2\x82\xac \xf0\x9f\x8e\xb5</p></BODY></HTML>";
    solvara::LoadHTMLIntoBrowser(&browser, report);
    QCOMPARE(seen, (QStringList{QStringLiteral("about:blank|"),
                                QStringLiteral("about:blank|Results\nStraße – 1 € \U0001F3B5")}));
    QCOMPARE(browser.ReadyState(), TWebBrowser::kReadyStateComplete);

    solvara::LoadHTMLIntoBrowser(&browser, "<p>second</p>");
    QCOMPARE(browser.View()->toPlainText(), QStringLiteral("second"));
    solvara::LoadHTMLIntoBrowser(&browser, QByteArray());
    QVERIFY(browser.View()->toPlainText().isEmpty());
    QCOMPARE(seen.size(), 6);
  }

  void handlerDetachedBeforeLoading() {
    // As the news page does: on its first completion the handler detaches itself and
    // loads a built-in page, whose completions it must not see.
    TWebBrowser browser;
    int calls = 0;
    int total = 0;
    connect(&browser, &TWebBrowser::DocumentComplete, this, [&] { ++total; });
    QMetaObject::Connection handler;
    handler = connect(&browser, &TWebBrowser::DocumentComplete, this, [&] {
      ++calls;
      disconnect(handler);
      solvara::LoadHTMLIntoBrowser(&browser, "<p>built-in news</p>");
    });
    browser.Navigate(server_.Url(QStringLiteral("/nothing-here.htm")).toString());
    QTRY_COMPARE(total, 3);
    QCOMPARE(calls, 1);
    QCOMPARE(browser.View()->toPlainText(), QStringLiteral("built-in news"));
  }

  void rightClicksWithheldFromHtmlArea() {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* browser = new TWebBrowser(&window);
    auto* edit = new QLineEdit(&window);
    layout->addWidget(browser);
    layout->addWidget(edit);
    window.resize(400, 300);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    solvara::LoadHTMLIntoBrowser(browser, "<p>text to click on</p>");
    QWidget* area = browser->View()->viewport();
    QWindow* handle = window.windowHandle();
    const QPoint inArea = area->mapTo(&window, area->rect().center());
    const QPoint inEdit = edit->mapTo(&window, edit->rect().center());

    // The menu key: the platform turns it into a keyboard context-menu request to the
    // window, which hands it to the focus widget.
    auto clickAll = [&](EventCounter& onArea, EventCounter& onView) {
      QTest::mouseClick(handle, Qt::RightButton, {}, inArea);
      browser->View()->setFocus();
      QTest::keyClick(handle, Qt::Key_Menu);
      QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, inArea, window.mapToGlobal(inArea));
      QApplication::sendEvent(handle, &menuKey);
      return onArea.contextMenus + onView.contextMenus;
    };

    {  // Without the filter the events arrive, so the counters do see them.
      EventCounter onArea(area), onView(browser->View());
      QCOMPARE(clickAll(onArea, onView), 2);
      QCOMPARE(onArea.rightPresses, 1);
    }

    solvara::InstallMouseHook();
    QVERIFY(solvara::MouseHookHandle != nullptr);
    EventCounter onArea(area), onView(browser->View()), onEdit(edit);
    QCOMPARE(clickAll(onArea, onView), 0);
    QCOMPARE(onArea.rightPresses + onArea.rightReleases, 0);
    QVERIFY(onView.keys >= 1);  // the menu key itself still reaches the view
    QVERIFY(!AnyMenuShown());

    QTest::mouseClick(handle, Qt::LeftButton, {}, inArea);
    QTest::mouseDClick(handle, Qt::LeftButton, {}, inArea);
    QTest::mouseMove(handle, inArea + QPoint(5, 5));
    QWheelEvent wheel(QPointF(area->rect().center()),
                      QPointF(area->mapToGlobal(area->rect().center())), {}, QPoint(0, -120),
                      Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(area, &wheel);
    QVERIFY(onArea.leftPresses >= 2);
    QVERIFY(onArea.leftReleases >= 2);
    QCOMPARE(onArea.doubleClicks, 1);
    QCOMPARE(onArea.wheels, 1);
    QVERIFY(onArea.moves >= 1);

    // Other widgets keep their right button and their menu.
    QTest::mouseClick(handle, Qt::RightButton, {}, inEdit);
    QCOMPARE(onEdit.rightPresses, 1);
    QCOMPARE(onEdit.rightReleases, 1);
    QCOMPARE(onEdit.contextMenus, 1);

    // Once removed, the HTML area gets right clicks again.
    solvara::RemoveMouseHook();
    QTest::mouseClick(handle, Qt::RightButton, {}, inArea);
    QCOMPARE(onArea.rightPresses, 1);
  }

  void installAndRemove() {
    QCOMPARE(solvara::MouseHookHandle, nullptr);
    solvara::RemoveMouseHook();  // nothing installed: harmless
    solvara::InstallMouseHook();
    solvara::TMouseHook* first = solvara::MouseHookHandle;
    QVERIFY(first != nullptr);
    solvara::InstallMouseHook();  // still one filter, still the same handle
    QCOMPARE(solvara::MouseHookHandle, first);
    solvara::RemoveMouseHook();
    QCOMPARE(solvara::MouseHookHandle, nullptr);
    solvara::RemoveMouseHook();
    QCOMPARE(solvara::MouseHookHandle, nullptr);
  }

  void printing() {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
      QSKIP("pdftotext (poppler-utils) is not installed");
    }
    QTemporaryDir dir;
    TWebBrowser browser;
    solvara::LoadHTMLIntoBrowser(&browser,
                                 "<HTML><BODY><H1><u>Results</u></H1>"
                                 "<p>Your application would be accepted</p></BODY></HTML>");
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("direct.pdf")));
    browser.PrintTo(&printer);
    const QString text = PdfText(printer.outputFileName());
    QVERIFY2(text.contains(QStringLiteral("Results")), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("Your application would be accepted")));

    // Through the dialog: printed when accepted, nothing when cancelled, and a
    // second Print while the dialog is up does nothing.
    int dialogs = 0;
    bool accept = false;
    bool nested = true;
    const QString viaDialog = dir.filePath(QStringLiteral("dialog.pdf"));
    TWebBrowser::SetPrintDialogHook([&](QPrinter* target, QWidget* parent) {
      ++dialogs;
      nested = browser.Print();
      target->setOutputFormat(QPrinter::PdfFormat);
      target->setOutputFileName(viaDialog);
      return accept && parent == &browser;
    });
    QVERIFY(!browser.Print());
    QVERIFY(!QFile::exists(viaDialog));
    accept = true;
    QVERIFY(browser.Print());
    QCOMPARE(dialogs, 2);
    QVERIFY(!nested);
    QVERIFY(PdfText(viaDialog).contains(QStringLiteral("Your application would be accepted")));
  }

 private:
  std::unique_ptr<Watchdog> watchdog_;
  LocalHttpServer server_;
};

QTEST_MAIN(TestBrowser)
#include "tst_browser.moc"
