// The questionnaire page: six pages of questions and the result page, moved through
// with Next, Back and the tab strip along the bottom. Arriving on the result page
// codes and scores the answers and shows the report; the result page prints it and
// saves it as HTML.
#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "questionnaire/form/PageBuilder.h"

class QLabel;
class QSlider;
class QStackedWidget;
class QTabBar;

namespace solvara {

class TSaveReportDialog;
class TWebBrowser;
class TWhyDialog;

// Every control the pages show carries the name the page tables give it as its object
// name; the form keeps as members only those its handlers read.
class TSolvaraForm : public QWidget {
  Q_OBJECT

 public:
  explicit TSolvaraForm(QWidget* parent = nullptr);
  ~TSolvaraForm() override;

  // The answers as the controls hold them now.
  TAnswers Answers() const;

  // Asks for the file to save the report to: gets the prepared dialog and returns the
  // chosen name, or an empty text for cancel. Unset, the dialog runs modally.
  using SaveFileChooser = std::function<QString(TSaveReportDialog& dialog)>;
  void SetSaveFileChooser(SaveFileChooser chooser);

  // The file name the save dialog proposes next.
  QString ProposedFileName() const;

  // Pages of CreditPages, by index.
  enum Page {
    kIntroduction,
    kAboutYou,
    kAddress,
    kOccupation,
    kCardsHeld,
    kMiscellaneous,
    kResult
  };

 signals:
  // A finish run has put a freshly built report into WebReport.
  void ReportShown();

 private slots:
  void FormCreate();
  void FormDestroy();
  void NextBtnClick();
  void BackBtnClick();
  void CreditTabsChange(int index);
  void lbOccupationClick();
  void tbAgeChange();
  void tbYearsAtAddressChange();
  void tbTimeAtJobChange();
  void tbChargeCardsHeldChange();
  void tbLiveAccountsChange();
  void btnFinishClick();
  void btnPrintClick();
  void btnSaveClick();
  void btnWhyClick();

 private:
  QStackedWidget* CreditPages = nullptr;
  QTabBar* CreditTabs = nullptr;

  // The sliders and the labels that show their values in words.
  QSlider* tbAge = nullptr;
  QLabel* lblAge = nullptr;
  QSlider* tbYearsAtAddress = nullptr;
  QLabel* lblYearsAtAddress = nullptr;
  QSlider* tbTimeAtJob = nullptr;
  QLabel* lblTimeAtJob = nullptr;
  QSlider* tbChargeCardsHeld = nullptr;
  QLabel* lblChargeCardsHeld = nullptr;
  QSlider* tbLiveAccounts = nullptr;
  QLabel* lblLiveAccounts = nullptr;

  // The rest of the years-in-job question, enabled with tbTimeAtJob.
  QLabel* lblTimeInJob1 = nullptr;
  QLabel* lblTimeInJob2 = nullptr;
  QLabel* lblTimeInJob3 = nullptr;
  QLabel* lblTimeInJob4 = nullptr;

  TWebBrowser* WebReport = nullptr;

  // Made at the first save and kept as long as the page, so that it proposes the
  // name last chosen.
  TSaveReportDialog* dlgSaveHTML = nullptr;
  // Made at the first "Why?" and kept as long as the page; it explains reportAnswers_,
  // the answers of the report shown.
  TWhyDialog* dlgWhy = nullptr;
  TAnswers reportAnswers_;

  void BuildPages();
  void ShowInWords(QSlider* slider, QLabel* value);
  // The report for the answers as they stand; leaves their monthly income in
  // MonthlyIncome, the one place this page writes it after its start.
  std::vector<std::string> ReportLines() const;
  void SetActivePage(int index);
  void MoveTabs(bool forward);
  TSaveReportDialog* SaveDialog();

  TAnswerControls answerControls_;

  SaveFileChooser saveFileChooser_;
  bool saving_ = false;
};

// A tab strip like the page's own, CreditTabs: the widest thing the page holds, which
// the main window measures to open wide enough for it.
QTabBar* NewTabStrip(QWidget* parent);

}  // namespace solvara
