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
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSlider;
class QStackedWidget;
class QTabBar;

namespace solvara {

class TSaveReportDialog;
class TWebBrowser;

// Every control the pages show is a member named as the page tables name it, and
// carries that name as its object name.
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

 private:
  QStackedWidget* CreditPages = nullptr;
  QTabBar* CreditTabs = nullptr;

  // Page 0: Introduction.
  QWidget* TabSheet1 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label4 = nullptr;
  QLabel* Label5 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label2 = nullptr;
  QPushButton* btnNext = nullptr;

  // Page 1: About You.
  QWidget* TabSheet2 = nullptr;
  QLabel* Label8 = nullptr;
  QLabel* Label6 = nullptr;
  QLabel* lblAge = nullptr;
  QSlider* tbAge = nullptr;
  QLabel* Label21 = nullptr;
  QLabel* Label20 = nullptr;
  QLabel* Label19 = nullptr;
  QLabel* Label7 = nullptr;
  QRadioButton* rbSingle = nullptr;
  QRadioButton* rbMarried = nullptr;
  QRadioButton* rbDivorced = nullptr;
  QRadioButton* rbMaritalOther = nullptr;
  QLabel* Label41 = nullptr;
  QLineEdit* edSalary = nullptr;
  QPushButton* NextBtn = nullptr;
  QPushButton* BackBtn = nullptr;

  // Page 2: Address.
  QWidget* TabSheet3 = nullptr;
  QLabel* Label9 = nullptr;
  QLabel* Label10 = nullptr;
  QRadioButton* rbTenant = nullptr;
  QRadioButton* rbLivingWithParents = nullptr;
  QRadioButton* rbOwner = nullptr;
  QRadioButton* rbLocalAuthority = nullptr;
  QRadioButton* rbOther = nullptr;
  QLabel* Label12 = nullptr;
  QLabel* lblYearsAtAddress = nullptr;
  QSlider* tbYearsAtAddress = nullptr;
  QLabel* Label15 = nullptr;
  QLabel* Label14 = nullptr;
  QLabel* Label13 = nullptr;
  QLabel* Label11 = nullptr;
  QLineEdit* edTelephone = nullptr;
  QPushButton* SpeedButton5 = nullptr;
  QPushButton* SpeedButton6 = nullptr;

  // Page 3: Occupation.
  QWidget* TabSheet4 = nullptr;
  QLabel* Label16 = nullptr;
  QLabel* Label17 = nullptr;
  QListWidget* lbOccupation = nullptr;
  QWidget* pnlYearsInJob = nullptr;
  QLabel* lblTimeInJob1 = nullptr;
  QLabel* lblTimeAtJob = nullptr;
  QSlider* tbTimeAtJob = nullptr;
  QLabel* lblTimeInJob2 = nullptr;
  QLabel* lblTimeInJob3 = nullptr;
  QLabel* lblTimeInJob4 = nullptr;
  QPushButton* SpeedButton8 = nullptr;
  QPushButton* SpeedButton9 = nullptr;

  // Page 4: Cards Held.
  QWidget* TabSheet5 = nullptr;
  QLabel* Label23 = nullptr;
  QLabel* Label24 = nullptr;
  QWidget* Panel7 = nullptr;
  QLabel* Label25 = nullptr;
  QRadioButton* rbVisaYes = nullptr;
  QRadioButton* rbVisaNo = nullptr;
  QWidget* Panel8 = nullptr;
  QLabel* Label26 = nullptr;
  QRadioButton* rbMasterCardYes = nullptr;
  QRadioButton* rbMasterCardNo = nullptr;
  QWidget* Panel9 = nullptr;
  QLabel* Label27 = nullptr;
  QRadioButton* rbChequeCardYes = nullptr;
  QRadioButton* rbChequeCardNo = nullptr;
  QLabel* Label28 = nullptr;
  QLabel* lblChargeCardsHeld = nullptr;
  QSlider* tbChargeCardsHeld = nullptr;
  QLabel* Label32 = nullptr;
  QLabel* Label30 = nullptr;
  QPushButton* SpeedButton11 = nullptr;
  QPushButton* SpeedButton12 = nullptr;

  // Page 5: Miscellaneous.
  QWidget* TabSheet6 = nullptr;
  QLabel* Label29 = nullptr;
  QLabel* Label31 = nullptr;
  QLabel* Label33 = nullptr;
  QLabel* lblLiveAccounts = nullptr;
  QSlider* tbLiveAccounts = nullptr;
  QLabel* Label36 = nullptr;
  QLabel* Label35 = nullptr;
  QWidget* Panel10 = nullptr;
  QLabel* Label37 = nullptr;
  QRadioButton* rbMissedPaymentsYes = nullptr;
  QRadioButton* rbMissedPaymentsNo = nullptr;
  QWidget* Panel11 = nullptr;
  QLabel* Label34 = nullptr;
  QRadioButton* rbDefaultedAccountsNo = nullptr;
  QRadioButton* rbDefaultedAccountsYes = nullptr;
  QRadioButton* rbDefaultedAccountsMorethan1 = nullptr;
  QWidget* Panel12 = nullptr;
  QLabel* Label39 = nullptr;
  QRadioButton* rbCCJNo = nullptr;
  QRadioButton* rbCCJYes = nullptr;
  QRadioButton* rbCCJMorethanone = nullptr;
  QWidget* Panel13 = nullptr;
  QLabel* Label38 = nullptr;
  QRadioButton* rbSettledAccountsNo = nullptr;
  QRadioButton* rbSettledAccounts1 = nullptr;
  QRadioButton* rbSettledAccounts2 = nullptr;
  QRadioButton* rbSettledAccountsmoreThan2 = nullptr;
  QWidget* Panel14 = nullptr;
  QLabel* Label40 = nullptr;
  QRadioButton* rbElectoralRegisterNo = nullptr;
  QRadioButton* rbElectoralRegisterYes = nullptr;
  QRadioButton* rbElectoralRegisterOver5Years = nullptr;
  QPushButton* btnFinish = nullptr;
  QPushButton* SpeedButton15 = nullptr;

  // Page 6: Result.
  QWidget* TabResults = nullptr;
  QWidget* Panel15 = nullptr;
  QPushButton* btnPrint = nullptr;
  QPushButton* btnSave = nullptr;
  TWebBrowser* WebReport = nullptr;

  // Made at the first save and kept as long as the page, so that it proposes the
  // name last chosen.
  TSaveReportDialog* dlgSaveHTML = nullptr;

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
  bool printing_ = false;
  bool saving_ = false;
};

// A tab strip like the page's own, CreditTabs: the widest thing the page holds, which
// the main window measures to open wide enough for it.
QTabBar* NewTabStrip(QWidget* parent);

}  // namespace solvara
