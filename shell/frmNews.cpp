#include "shell/frmNews.h"

#include <QPointer>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "platform/AccessibleU.h"
#include "platform/HomePage.h"
#include "platform/MessageBoxes.h"
#include "shell/CodePageU.h"
#include "shell/browser/BrowserU.h"

namespace solvara {

namespace {

// The built-in news page, around the home page address.
const char* const kBuiltInPageStart = "<html><h1><a target=\"_blank\" href=\"";
const char* const kBuiltInPageEnd =
    "\">Solvara</a></h1><p><b>Thank you for using Solvara</b><br><br>An internet connection is "
    "required only to view this news page.</html>";
// Said to assistive tools about the box that shows the address of what was loaded
// instead of the news.
const char* const kNotLoadedDescription = "The news page could not be loaded.";

}  // namespace

TNewsForm::TNewsForm(std::function<bool()> helpShown, QWidget* parent)
    : QWidget(parent), helpShown_(std::move(helpShown)) {
  setObjectName(QStringLiteral("NewsForm"));
  resize(538, 380);
  WebBrowser = new TWebBrowser(this);
  WebBrowser->setObjectName(QStringLiteral("WebBrowser"));
  WebBrowser->setFocusPolicy(Qt::ClickFocus);
  WebBrowser->View()->setFocusPolicy(Qt::ClickFocus);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(WebBrowser);
  MakeReadable(WebBrowser);
  completeHandler_ = connect(WebBrowser, &TWebBrowser::DocumentComplete, this,
                             &TNewsForm::WebBrowserDocumentComplete);
  FormCreate();
}

TNewsForm::~TNewsForm() {
  FormDestroy();
}

void TNewsForm::FormCreate() {
  new TMouseHook(this);  // goes with the page
}

void TNewsForm::FormDestroy() {}

QString TNewsForm::NewsAddress(const QLocale& locale) {
  return HomePageAddress() + QStringLiteral("/news100/") +
         AppendLanguageCode(QStringLiteral("news"), locale) + QStringLiteral(".htm");
}

QString TNewsForm::ExpectedFileName(const QLocale& locale) {
  return AppendLanguageCode(QStringLiteral("NEWS"), locale).toUpper() + QStringLiteral(".HTM");
}

void TNewsForm::Navigate(const QString& address, const QString& name) {
  SetDocumentName(WebBrowser, name);
  WebBrowser->Navigate(address);
}

QByteArray TNewsForm::BuiltInNewsPage() {
  return QByteArray(kBuiltInPageStart) + HomePageAddress().toUtf8() + QByteArray(kBuiltInPageEnd);
}

void TNewsForm::WebBrowserDocumentComplete() {
  if (helpShown_ && helpShown_()) {
    return;
  }
  // One check per page object: the blank and built-in pages loaded below, and
  // everything shown later, go unchecked.
  disconnect(completeHandler_);
  const QString address = WebBrowser->Url();
  if (address.toUpper().contains(ExpectedFileName())) {
    state_ = TNewsState::Accepted;
    return;
  }
  state_ = TNewsState::BuiltIn;
  AfterFirstPaint(this, [this, address] {
    QPointer<TNewsForm> self(this);
    ShowMessage(this, BoxKind::Plain, address, QString::fromLatin1(kNotLoadedDescription));
    // The box runs its own event loop; the page may have been closed meanwhile.
    if (!self) {
      return;
    }
    LoadHTMLIntoBrowser(WebBrowser, BuiltInNewsPage());
  });
}

}  // namespace solvara
