#include "report/display/WhyDialog.h"

#include <QByteArray>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "platform/AccessibleU.h"
#include "report/Explain.h"
#include "shell/browser/BrowserU.h"

namespace solvara {

namespace {

namespace txt {
const char* const kTitle = "Why?";
const char* const kDocumentName = "Why";
const char* const kPrint = "Print";
const char* const kClose = "Close";
}  // namespace txt

QPushButton* MakeButton(const char* name, const char* text, QWidget* parent) {
  auto* button = new QPushButton(QString::fromUtf8(text), parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAccessibleName(button->text());
  button->setAutoDefault(false);
  return button;
}

}  // namespace

TWhyDialog::TWhyDialog(QWidget* parent) : QDialog(parent) {
  InstallAccessibleInterfaces();
  setObjectName(QStringLiteral("dlgWhy"));
  setWindowTitle(QString::fromUtf8(txt::kTitle));
  setModal(false);
  auto* layout = new QVBoxLayout(this);
  auto* bar = new QHBoxLayout;
  layout->addLayout(bar);
  QPushButton* print = MakeButton("btnWhyPrint", txt::kPrint, this);
  QPushButton* close = MakeButton("btnWhyClose", txt::kClose, this);
  bar->addWidget(print);
  bar->addStretch(1);
  bar->addWidget(close);
  WebWhy = new TWebBrowser(this);
  WebWhy->setObjectName(QStringLiteral("WebWhy"));
  layout->addWidget(WebWhy, 1);
  SetDocumentName(WebWhy, QString::fromUtf8(txt::kDocumentName));
  // Read as the report is: reached by the mouse and by its own key, not by Tab.
  WebWhy->setFocusPolicy(Qt::NoFocus);
  WebWhy->View()->setFocusPolicy(Qt::ClickFocus);
  MakeReadable(WebWhy);
  connect(print, &QPushButton::clicked, this, &TWhyDialog::btnWhyPrintClick);
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  // The ledger's six columns side by side, at the font in force.
  const QFontMetrics metrics(font());
  resize(metrics.averageCharWidth() * 110, metrics.height() * 36);
}

void TWhyDialog::Load(const TAnswers& answers) {
  const std::string html = ExplanationHtml(Explain(answers, TCCScore()));
  LoadHTMLIntoBrowser(WebWhy, QByteArray::fromStdString(html));
}

void TWhyDialog::ShowFor(const TAnswers& answers) {
  Load(answers);
  show();
  raise();
  activateWindow();
}

// As on the result page, the view's Print keeps a second click from printing twice.
void TWhyDialog::btnWhyPrintClick() {
  WebWhy->Print();
}

}  // namespace solvara
