// The news page: the language's news file from the web site, the check of what the
// browser ended up showing, and the built-in page in its place.
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>
#include <memory>

#include "shell/BrowserU.h"
#include "shell/CodePageU.h"
#include "shell/HomePage.h"
#include "shell/MessageBoxes.h"
#include "shell/frmNews.h"
#include "tests/gui/support/LocalHttpServer.h"
#include "tests/gui/support/Watchdog.h"

using namespace solvara;
using State = TNewsForm::TNewsState;

namespace {

struct Shown {
  BoxKind kind;
  QString text;
  QString addressShown;  // the browser's address while the box was up
  bool builtInShown;     // whether the built-in page was already in the browser
};

const char* const kThanks = "Thank you for using Solvara";

QString NewsPath() {
  return QStringLiteral("/news100/") + AppendLanguageCode(QStringLiteral("news")) +
         QStringLiteral(".htm");
}

QString ShownText(const TNewsForm& page) {
  return page.WebBrowser->View()->toPlainText();
}

}  // namespace

class TestNews : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY(server_.Start());
    home_ = server_.Url(QString()).toString();
  }

  void init() {
    helpDown_ = false;
    boxes_.clear();
    server_.SetSilent(false);
    server_.SetResponse(NewsPath(), 200, "<html><p>Fresh news</p></html>");
    SetHomePageAddressForTesting(home_);
    SetMessagePresenter([this](QWidget* parent, BoxKind kind, const QString& text) {
      auto* page = qobject_cast<TNewsForm*>(parent);
      QVERIFY(page != nullptr);
      boxes_.append(
          {kind, text, page->WebBrowser->Url(), ShownText(*page).contains(QLatin1String(kThanks))});
    });
  }

  void cleanup() {
    SetMessagePresenter({});
    SetHomePageAddressForTesting(QString());
    TWebBrowser::SetTransferTimeout(30000);
  }

  void addressAndExpectedNameFollowTheLocale() {
    SetHomePageAddressForTesting(QStringLiteral("https://news.example"));
    QCOMPARE(TNewsForm::NewsAddress(QLocale(QStringLiteral("en_GB"))),
             QStringLiteral("https://news.example/news100/news0809.htm"));
    QCOMPARE(TNewsForm::ExpectedFileName(QLocale(QStringLiteral("en_GB"))),
             QStringLiteral("NEWS0809.HTM"));
    QCOMPARE(TNewsForm::NewsAddress(QLocale::c()),
             QStringLiteral("https://news.example/news100/newsopt.htm"));
    QCOMPARE(TNewsForm::ExpectedFileName(QLocale::c()), QStringLiteral("NEWSOPT.HTM"));
  }

  void newsFileIsAccepted() {
    auto page = MakePage();
    page->WebBrowser->Navigate(TNewsForm::NewsAddress());
    QTRY_COMPARE(page->State(), State::Accepted);
    QVERIFY(boxes_.isEmpty());
    QVERIFY(ShownText(*page).contains(QLatin1String("Fresh news")));
  }

  // The check only asks whether the expected name is somewhere in the address.
  void expectedNameAnywhereIsAccepted_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("suffix");
    const QString name = AppendLanguageCode(QStringLiteral("news")) + QStringLiteral(".htm");
    QString mixed = name;
    for (int i = 0; i < mixed.size(); i += 2) {
      mixed[i] = mixed[i].toUpper();
    }
    QTest::newRow("other case") << mixed << QString();
    QTest::newRow("after #") << QStringLiteral("other.htm") << QLatin1Char('#') + name;
    QTest::newRow("after ?") << QStringLiteral("other.htm") << QStringLiteral("?f=") + name;
  }
  void expectedNameAnywhereIsAccepted() {
    QFETCH(QString, file);
    QFETCH(QString, suffix);
    QTemporaryDir dir;
    QFile document(dir.filePath(file));
    QVERIFY(document.open(QIODevice::WriteOnly));
    document.write("<p>Local news</p>");
    document.close();
    auto page = MakePage();
    const QString address = QUrl::fromLocalFile(document.fileName()).toString() + suffix;
    page->WebBrowser->Navigate(address);
    QTRY_COMPARE(page->State(), State::Accepted);
    QCOMPARE(page->WebBrowser->Url(), address);
    QVERIFY(boxes_.isEmpty());
  }

  void failureShowsTheAddressThenTheBuiltInPage_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("missing news file") << "missing";
    QTest::newRow("refused connection") << "refused";
    QTest::newRow("redirect to another file") << "redirect";
  }
  void failureShowsTheAddressThenTheBuiltInPage() {
    QFETCH(QString, how);
    if (how == QLatin1String("missing")) {
      server_.SetResponse(NewsPath(), 404, "<p>Not here</p>");
    } else if (how == QLatin1String("refused")) {
      QTcpServer closed;
      QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
      const quint16 port = closed.serverPort();
      closed.close();
      SetHomePageAddressForTesting(QStringLiteral("http://127.0.0.1:%1").arg(port));
    } else {
      server_.SetRedirect(NewsPath(), QStringLiteral("/news100/other.htm"));
      server_.SetResponse(QStringLiteral("/news100/other.htm"), 200, "<p>Other</p>");
    }
    auto page = MakePage();
    page->WebBrowser->Navigate(TNewsForm::NewsAddress());
    QTRY_COMPARE(page->State(), State::BuiltIn);
    QCOMPARE(boxes_.size(), 1);
    QVERIFY(boxes_[0].kind == BoxKind::Plain);
    QVERIFY(!boxes_[0].text.isEmpty());
    QCOMPARE(boxes_[0].text, boxes_[0].addressShown);
    QVERIFY(!boxes_[0].builtInShown);
    if (how == QLatin1String("redirect")) {
      QCOMPARE(boxes_[0].text, home_ + QStringLiteral("/news100/other.htm"));
    }
    QVERIFY(ShownText(*page).contains(QLatin1String(kThanks)));
    server_.SetResponse(NewsPath(), 200, "<p>Fresh news</p>");
  }

  void helpBeforeNewsCompletesLeavesTheCheckWaiting() {
    QTemporaryDir dir;
    const QString help = dir.filePath(QStringLiteral("help.htm"));
    QFile file(help);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<p>How to answer</p>");
    file.close();

    server_.SetSilent(true);
    const int asked = server_.Requests().size();
    auto page = MakePage();
    page->WebBrowser->Navigate(TNewsForm::NewsAddress());
    QTRY_COMPARE(server_.Requests().size(), asked + 1);

    helpDown_ = true;
    QSignalSpy completions(page->WebBrowser, &TWebBrowser::DocumentComplete);
    page->WebBrowser->Navigate(help);
    QVERIFY(completions.wait(10000));
    QVERIFY(ShownText(*page).contains(QLatin1String("How to answer")));
    QCOMPARE(page->State(), State::Watching);
    QVERIFY(boxes_.isEmpty());

    server_.SetSilent(false);
    helpDown_ = false;
    page->WebBrowser->Navigate(TNewsForm::NewsAddress());
    QTRY_COMPARE(page->State(), State::Accepted);
    QVERIFY(boxes_.isEmpty());
  }

  void onceDecidedNothingIsCheckedAgain_data() {
    QTest::addColumn<bool>("newsThere");
    QTest::newRow("after Accepted") << true;
    QTest::newRow("after Built-in") << false;
  }
  void onceDecidedNothingIsCheckedAgain() {
    QFETCH(bool, newsThere);
    if (!newsThere) {
      server_.SetResponse(NewsPath(), 404, "<p>Not here</p>");
    }
    auto page = MakePage();
    page->WebBrowser->Navigate(TNewsForm::NewsAddress());
    QTRY_VERIFY(page->State() != State::Watching);
    const State decided = page->State();
    const int shown = boxes_.size();

    // The news again, now with the opposite outcome: shown as it comes, unchecked.
    server_.SetResponse(NewsPath(), newsThere ? 404 : 200, "<p>Second news</p>");
    QSignalSpy completions(page->WebBrowser, &TWebBrowser::DocumentComplete);
    page->WebBrowser->Navigate(TNewsForm::NewsAddress());
    QVERIFY(completions.wait(10000));
    QCOMPARE(page->State(), decided);
    QCOMPARE(boxes_.size(), shown);
    QVERIFY(!ShownText(*page).contains(QLatin1String(kThanks)));
    server_.SetResponse(NewsPath(), 200, "<p>Fresh news</p>");
  }

 private:
  std::unique_ptr<TNewsForm> MakePage() {
    return std::make_unique<TNewsForm>([this] { return helpDown_; });
  }

  LocalHttpServer server_;
  QString home_;
  bool helpDown_ = false;
  QList<Shown> boxes_;
  Watchdog watchdog_{"tst_news", std::chrono::seconds(100)};
};

QTEST_MAIN(TestNews)
#include "tst_news.moc"
