#include "tests/gui/support/Controls.h"

#include <QTabBar>
#include <QTextBrowser>
#include <QTextDocument>
#include <QtTest>
#include <memory>

#include "questionnaire/form/frmSolvara1.h"
#include "report/ReportText.h"
#include "shell/browser/BrowserU.h"

using namespace solvara;

namespace {

QTextBrowser* ReportView(const TSolvaraForm& form) {
  return Child<TWebBrowser>(&form, "WebReport")->View();
}

}  // namespace

QString ShownReport(const TSolvaraForm& form) {
  return ReportView(form)->toHtml();
}

// Rendered by a copy of the view's own document, so that both carry the same settings.
QString ExpectedShownReport(const TSolvaraForm& form, const TAnswers& answers) {
  int32_t income = 0;
  const std::unique_ptr<QTextDocument> document(ReportView(form)->document()->clone());
  document->setHtml(QString::fromStdString(ShownForm(ReportLinesFor(answers, income))));
  return document->toHtml();
}

QByteArray ExpectedSavedReport(const TAnswers& answers) {
  int32_t income = 0;
  return QByteArray::fromStdString(SavedForm(ReportLinesFor(answers, income)));
}

void ClickTab(TSolvaraForm& form, int index) {
  auto* tabs = Child<QTabBar>(&form, "CreditTabs");
  QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(index).center());
}
