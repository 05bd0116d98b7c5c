#include "questionnaire/form/frmSolvara1.h"

#include <QApplication>
#include <QButtonGroup>
#include <QByteArray>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStackedWidget>
#include <QTabBar>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <limits>

#include "globals.h"
#include "platform/AccessibleU.h"
#include "platform/MessageBoxes.h"
#include "report/ReportText.h"
#include "report/display/ReportOutput.h"
#include "report/display/WhyDialog.h"
#include "shell/browser/BrowserU.h"

namespace solvara {

namespace {

// Every text this page shows besides its questions (which the question table holds),
// in one place.
namespace txt {
const char* const kTabs[] = {"Introduction ", "About You ",     "Address ", "Occupation ",
                             "Cards Held ",   "Miscellaneous ", "Result "};
const char* const kNext = "Next";
const char* const kBack = "Back";
const char* const kFinish = "Finish";
const char* const kPrint = "Print";
const char* const kSave = "Save as HTML";
const char* const kWhy = "Why?";
const char* const kLabel1 = "Introduction";
const char* const kLabel4 = "You will be asked a number of questions.";
const char* const kLabel5 =
    "From your answers, a credit score is calculated and this program will decide if you "
    "would be viable for a loan or credit card.";
const char* const kLabel3 =
    "As none of the answers to any of your questions are broadcast or shared in any way and "
    "run solely on this computer, all information entered is completely confidential.  "
    "However this also means there is no way to determine the accuracy of your answers so "
    "please try to be as honest and accurate as possible as incorrect answers will give an "
    "incorrect result.";
const char* const kLabel2 =
    "The authors of this software do not condone or necessarily agree with the criteria used "
    "to work out a credit score - they are just aware of what others have determined makes "
    "someone eligible for credit.";
const char* const kLabel8 = "About You";
const char* const kLabel9 = "Address";
const char* const kLabel16 = "Occupation";
const char* const kLabel23 = "Cards Held";
const char* const kLabel24 = "Do you have any other debit / credit cards ?";
const char* const kLabel29 = "Miscellaneous";
const char* const kLabel31 =
    "These details would not normally be asked for in an application form but would be "
    "obtained about you from a credit"
    " checking bureau.";
const char* const kReportName = "Results";
const char* const kReportSaved = "Report saved.";
const char* const kSaveFailed = "An error occurred saving the report";
}  // namespace txt

QString T(const char* text) {
  return QString::fromUtf8(text);
}

constexpr int kButtonBarHeight = 41;
constexpr int kResultBarHeight = 33;

// A strip that moves only by a click or by the pages' own steps: Qt's tab bar switches
// tabs under the mouse wheel, and wheeling onto "Result " would build a report. The
// wheel goes on to the page, as over any control that does not scroll.
class TTabStrip : public QTabBar {
 public:
  using QTabBar::QTabBar;

 protected:
  void wheelEvent(QWheelEvent* event) override { event->ignore(); }
};

// The slot of a member: NAMED(x) keeps its control in member x and names it "x".
#define NAMED(member) \
  { #member, member }

QPushButton* MakeButton(Slot<QPushButton> slot, QWidget* parent, const char* text,
                        const char* picture, int width) {
  // The picture is one of ours, not the style's, which searches the icon theme for
  // every one.
  QPushButton* button =
      slot.Hold(new QPushButton(QIcon(QString::fromLatin1(picture)), T(text), parent));
  button->setAccessibleName(button->text());
  button->setMinimumSize(width, 25);
  button->setAutoDefault(false);
  return button;
}

// The bar along the bottom of a page of questions: Back (if any) and the forward
// button at its right.
void AddButtonBar(QVBoxLayout* page, std::initializer_list<QPushButton*> buttons) {
  auto* bar = new QWidget(page->parentWidget());
  bar->setFixedHeight(kButtonBarHeight);
  auto* row = new QHBoxLayout(bar);
  // The forward button ends 23 pixels from the page's right edge.
  row->setContentsMargins(0, 8, 23 - kPageMargin, 8);
  row->setSpacing(7);
  row->addStretch(1);
  for (QPushButton* button : buttons) {
    button->setParent(bar);
    row->addWidget(button);
  }
  page->addStretch(1);
  page->addWidget(bar);
}

}  // namespace

TSolvaraForm::TSolvaraForm(QWidget* parent) : QWidget(parent) {
  InstallAccessibleInterfaces();
  setObjectName(QStringLiteral("SolvaraForm"));
  BuildPages();
  FormCreate();
}

TSolvaraForm::~TSolvaraForm() {
  FormDestroy();
}

QTabBar* NewTabStrip(QWidget* parent) {
  auto* strip = new TTabStrip(parent);
  strip->setShape(QTabBar::RoundedSouth);
  strip->setExpanding(false);
  strip->setDrawBase(true);
  // Every tab whole and no scroll arrows: the strip's least width is all seven tabs, and
  // the window opens wide enough for them at the desktop's font.
  strip->setElideMode(Qt::ElideNone);
  strip->setUsesScrollButtons(false);
  // Slim tabs, so that all seven captions fit the designed width at a 9-point font.
  strip->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 3px 4px; }"));
  for (const char* caption : txt::kTabs) {
    strip->addTab(T(caption));
  }
  return strip;
}

void TSolvaraForm::BuildPages() {
  auto* form = new QVBoxLayout(this);
  form->setContentsMargins(0, 0, 0, 0);
  form->setSpacing(0);
  const Slot<QStackedWidget> pages = NAMED(CreditPages);
  form->addWidget(pages.Hold(new QStackedWidget(this)), 1);
  TPageBuilder b(this, CreditPages, answerControls_);
  const auto back = [this](const char* name, QVBoxLayout* page) {
    QPushButton* button =
        MakeButton(name, page->parentWidget(), txt::kBack, ":/buttons/back.png", 81);
    connect(button, &QPushButton::clicked, this, &TSolvaraForm::BackBtnClick);
    return button;
  };
  const auto next = [this](const char* name, QVBoxLayout* page) {
    QPushButton* button =
        MakeButton(name, page->parentWidget(), txt::kNext, ":/buttons/next.png", 75);
    connect(button, &QPushButton::clicked, this, &TSolvaraForm::NextBtnClick);
    return button;
  };

  QVBoxLayout* v = b.Page("TabSheet1", "Label1", T(txt::kLabel1));
  v->addSpacing(6);
  const std::pair<const char*, const char*> intro[] = {{"Label4", txt::kLabel4},
                                                       {"Label5", txt::kLabel5},
                                                       {"Label3", txt::kLabel3},
                                                       {"Label2", txt::kLabel2}};
  bool wrap = false;  // all but the first line wrap
  for (const auto& [name, text] : intro) {
    b.Text(v, name, T(text), wrap);
    wrap = true;
    v->addSpacing(4);
  }
  AddButtonBar(v, {next("btnNext", v)});

  v = b.Page("TabSheet2", "Label8", T(txt::kLabel8));
  b.Slider(v, "age", "Label6", NAMED(lblAge), NAMED(tbAge), {"Label21", "Label20", "Label19"});
  v->addSpacing(8);
  b.ChoiceRow(v, "marital", "Label7", {"rbSingle", "rbMarried", "rbDivorced", "rbMaritalOther"});
  b.Edit(v, "salary", "Label41", "edSalary");
  AddButtonBar(v, {back("BackBtn", v), next("NextBtn", v)});

  v = b.Page("TabSheet3", "Label9", T(txt::kLabel9));
  b.ChoiceRow(v, "residential", "Label10",
              {"rbTenant", "rbLivingWithParents", "rbOwner", "rbLocalAuthority", "rbOther"});
  b.Slider(v, "address-years", "Label12", NAMED(lblYearsAtAddress), NAMED(tbYearsAtAddress),
           {"Label15", "Label14", "Label13"});
  v->addSpacing(8);
  b.Edit(v, "telephone", "Label11", "edTelephone");
  AddButtonBar(v, {back("SpeedButton6", v), next("SpeedButton5", v)});

  v = b.Page("TabSheet4", "Label16", T(txt::kLabel16));
  QListWidget* occupation = b.List(v, "occupation", "Label17", "lbOccupation");
  connect(occupation, &QListWidget::itemSelectionChanged, this, &TSolvaraForm::lbOccupationClick);
  auto* yearsInJob = Slot<QWidget>("pnlYearsInJob").Hold(new QWidget(v->parentWidget()));
  v->addWidget(yearsInJob);
  auto* job = new QVBoxLayout(yearsInJob);
  job->setContentsMargins(0, 4, 0, 0);
  job->setSpacing(4);
  b.Slider(job, "job-years", NAMED(lblTimeInJob1), NAMED(lblTimeAtJob), NAMED(tbTimeAtJob),
           {NAMED(lblTimeInJob2), NAMED(lblTimeInJob3), NAMED(lblTimeInJob4)});
  AddButtonBar(v, {back("SpeedButton9", v), next("SpeedButton8", v)});

  v = b.Page("TabSheet5", "Label23", T(txt::kLabel23));
  b.Text(v, "Label24", T(txt::kLabel24));
  // The three card questions line up: caption, Yes, No.
  QLabel* const captions[] = {
      b.ChoicePanel(v, "visa", "Panel7", "Label25", {"rbVisaYes", "rbVisaNo"}, false),
      b.ChoicePanel(v, "mastercard", "Panel8", "Label26", {"rbMasterCardYes", "rbMasterCardNo"},
                    false),
      b.ChoicePanel(v, "cheque-card", "Panel9", "Label27", {"rbChequeCardYes", "rbChequeCardNo"},
                    false)};
  // As narrow as the longest caption allows on two lines: "Access / Mastercard" wraps.
  int captionWidth = 0;
  for (QLabel* caption : captions) {
    captionWidth = std::max(captionWidth, caption->minimumSizeHint().width());
  }
  for (QLabel* caption : captions) {
    caption->setFixedWidth(captionWidth);
  }
  v->addSpacing(8);
  b.Slider(v, "charge-cards", "Label28", NAMED(lblChargeCardsHeld), NAMED(tbChargeCardsHeld),
           {"Label32", "Label30"});
  AddButtonBar(v, {back("SpeedButton12", v), next("SpeedButton11", v)});

  v = b.Page("TabSheet6", "Label29", T(txt::kLabel29));
  v->setSpacing(2);
  b.Text(v, "Label31", T(txt::kLabel31), true);
  b.Slider(v, "live-accounts", "Label33", NAMED(lblLiveAccounts), NAMED(tbLiveAccounts),
           {"Label36", "Label35"});
  // On a wide page the questions stop at one width, so that the choices line up.
  SameWidth({b.ChoicePanel(v, "missed-payments", "Panel10", "Label37",
                           {"rbMissedPaymentsYes", "rbMissedPaymentsNo"}, true),
             b.ChoicePanel(v, "defaults", "Panel11", "Label34",
                           {"rbDefaultedAccountsNo", "rbDefaultedAccountsYes",
                            "rbDefaultedAccountsMorethan1"},
                           true),
             b.ChoicePanel(v, "ccj", "Panel12", "Label39",
                           {"rbCCJNo", "rbCCJYes", "rbCCJMorethanone"}, true),
             b.ChoicePanel(v, "settled", "Panel13", "Label38",
                           {"rbSettledAccountsNo", "rbSettledAccounts1", "rbSettledAccounts2",
                            "rbSettledAccountsmoreThan2"},
                           true),
             b.ChoicePanel(v, "electoral", "Panel14", "Label40",
                           {"rbElectoralRegisterNo", "rbElectoralRegisterYes",
                            "rbElectoralRegisterOver5Years"},
                           true)});
  // Made in their order along the bar, which is the order the Tab key takes.
  QPushButton* backFromLast = back("SpeedButton15", v);
  QPushButton* finish =
      MakeButton("btnFinish", v->parentWidget(), txt::kFinish, ":/buttons/check.png", 75);
  connect(finish, &QPushButton::clicked, this, &TSolvaraForm::btnFinishClick);
  AddButtonBar(v, {backFromLast, finish});

  // Page 6: Result.
  auto* results = Slot<QWidget>("TabResults").Hold(new QWidget(CreditPages));
  CreditPages->addWidget(results);
  v = new QVBoxLayout(results);
  v->setContentsMargins(0, 0, 0, 0);
  v->setSpacing(0);
  auto* bar = Slot<QWidget>("Panel15").Hold(new QWidget(results));
  v->addWidget(bar);
  bar->setFixedHeight(kResultBarHeight);
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(4, 4, 4, 4);
  QPushButton* print = MakeButton("btnPrint", bar, txt::kPrint, ":/buttons/print.png", 75);
  QPushButton* save = MakeButton("btnSave", bar, txt::kSave, ":/buttons/save.png", 75);
  connect(print, &QPushButton::clicked, this, &TSolvaraForm::btnPrintClick);
  connect(save, &QPushButton::clicked, this, &TSolvaraForm::btnSaveClick);
  QPushButton* why = MakeButton("btnWhy", bar, txt::kWhy, ":/buttons/help.png", 75);
  connect(why, &QPushButton::clicked, this, &TSolvaraForm::btnWhyClick);
  row->addWidget(print);
  row->addWidget(save);
  row->addWidget(why);
  row->addStretch(1);
  const Slot<TWebBrowser> report = NAMED(WebReport);
  v->addWidget(report.Hold(new TWebBrowser(results)), 1);
  SetDocumentName(WebReport, T(txt::kReportName));
  // Reached by the mouse and by its own key, not by the Tab key.
  WebReport->setFocusPolicy(Qt::NoFocus);
  WebReport->View()->setFocusPolicy(Qt::ClickFocus);
  MakeReadable(WebReport);

  const Slot<QTabBar> tabs = NAMED(CreditTabs);
  form->addWidget(tabs.Hold(NewTabStrip(this)));
  CreditTabs->setCurrentIndex(0);

  // Handlers.
  connect(CreditTabs, &QTabBar::currentChanged, this, &TSolvaraForm::CreditTabsChange);
  connect(tbAge, &QSlider::valueChanged, this, &TSolvaraForm::tbAgeChange);
  connect(tbYearsAtAddress, &QSlider::valueChanged, this, &TSolvaraForm::tbYearsAtAddressChange);
  connect(tbTimeAtJob, &QSlider::valueChanged, this, &TSolvaraForm::tbTimeAtJobChange);
  connect(tbChargeCardsHeld, &QSlider::valueChanged, this, &TSolvaraForm::tbChargeCardsHeldChange);
  connect(tbLiveAccounts, &QSlider::valueChanged, this, &TSolvaraForm::tbLiveAccountsChange);
}

void TSolvaraForm::FormCreate() {
  // The page stack has no tabs of its own; CreditTabs is the only row of tabs.
  SetActivePage(kIntroduction);
  lbOccupationClick();
  new TMouseHook(this);  // goes with the page
  MonthlyIncome = 0;
}

void TSolvaraForm::FormDestroy() {}

void TSolvaraForm::SetActivePage(int index) {
  if (index < 0 || index >= CreditPages->count()) {
    return;
  }
  QWidget* old = CreditPages->currentWidget();
  QWidget* focus = QApplication::focusWidget();
  CreditPages->setCurrentIndex(index);
  // When the keyboard was on the page that went away, carry it to the first control
  // of the new page rather than leave it wherever Qt puts it.
  if (old != nullptr && focus != nullptr && old != CreditPages->currentWidget() &&
      old->isAncestorOf(focus)) {
    QWidget* page = CreditPages->currentWidget();
    if (QWidget* first =
            NextTabStop(page, [page](const QWidget* w) { return page->isAncestorOf(w); })) {
      first->setFocus(Qt::TabFocusReason);
    }
  }
}

void TSolvaraForm::MoveTabs(bool forward) {
  const int count = CreditTabs->count();
  if (count <= 1) {
    return;
  }
  int next = CreditTabs->currentIndex() + (forward ? 1 : -1);
  if (next >= count) {
    next = 0;
  } else if (next < 0) {
    next = count - 1;
  }
  // Runs CreditTabsChange for the new tab.
  CreditTabs->setCurrentIndex(next);
}

void TSolvaraForm::NextBtnClick() {
  SetActivePage(CreditPages->currentIndex() + 1);
  MoveTabs(true);
}

void TSolvaraForm::BackBtnClick() {
  SetActivePage(CreditPages->currentIndex() - 1);
  MoveTabs(false);
}

void TSolvaraForm::CreditTabsChange(int index) {
  SetActivePage(index);
  if (index == CreditTabs->count() - 1) {
    btnFinishClick();
  }
}

void TSolvaraForm::lbOccupationClick() {
  const bool enabled = YearsInJobEnabled(Answers().Occupation);
  for (QWidget* w : std::initializer_list<QWidget*>{lblTimeInJob1, lblTimeInJob2, lblTimeInJob3,
                                                    lblTimeInJob4, lblTimeAtJob, tbTimeAtJob}) {
    w->setEnabled(enabled);
  }
}

void TSolvaraForm::ShowInWords(QSlider* slider, QLabel* value) {
  value->setText(SliderWords(answerControls_, slider));
  // A listener hears the words, not the bare position.
  slider->setAccessibleDescription(value->text());
}

void TSolvaraForm::tbAgeChange() {
  ShowInWords(tbAge, lblAge);
}

void TSolvaraForm::tbYearsAtAddressChange() {
  ShowInWords(tbYearsAtAddress, lblYearsAtAddress);
}

void TSolvaraForm::tbTimeAtJobChange() {
  ShowInWords(tbTimeAtJob, lblTimeAtJob);
}

void TSolvaraForm::tbChargeCardsHeldChange() {
  ShowInWords(tbChargeCardsHeld, lblChargeCardsHeld);
}

void TSolvaraForm::tbLiveAccountsChange() {
  ShowInWords(tbLiveAccounts, lblLiveAccounts);
}

TAnswers TSolvaraForm::Answers() const {
  return ReadAnswers(answerControls_);
}

std::vector<std::string> TSolvaraForm::ReportLines() const {
  return ReportLinesFor(Answers(), MonthlyIncome);
}

void TSolvaraForm::btnFinishClick() {
  // Coded, scored and written before the strip moves; a run inside that move does the
  // same for the same answers.
  const TAnswers answers = Answers();
  const std::vector<std::string> lines = ReportLines();
  QPointer<TSolvaraForm> self(this);
  const int last = CreditPages->count() - 1;
  if (CreditPages->currentIndex() != last) {
    // Moving the strip onto the result tab runs this operation once more, inside;
    // that run finds the result page active and goes straight on to the report.
    SetActivePage(last);
    MoveTabs(true);
    if (!self) {
      return;
    }
  }
  LoadHTMLIntoBrowser(WebReport, QByteArray::fromStdString(ShownForm(lines)));
  if (!self) {
    return;
  }
  reportAnswers_ = answers;
  if (dlgWhy != nullptr && dlgWhy->isVisible()) {
    dlgWhy->Load(reportAnswers_);
  }
  emit ReportShown();
}

void TSolvaraForm::btnWhyClick() {
  if (dlgWhy == nullptr) {
    dlgWhy = new TWhyDialog(this);
  }
  dlgWhy->ShowFor(reportAnswers_);
}

// A second click while the print dialog is up does nothing: the view's Print guards itself.
void TSolvaraForm::btnPrintClick() {
  WebReport->Print();
}

void TSolvaraForm::SetSaveFileChooser(SaveFileChooser chooser) {
  saveFileChooser_ = std::move(chooser);
}

TSaveReportDialog* TSolvaraForm::SaveDialog() {
  if (dlgSaveHTML == nullptr) {
    dlgSaveHTML = new TSaveReportDialog(this);
    dlgSaveHTML->setObjectName(QStringLiteral("dlgSaveHTML"));
  }
  return dlgSaveHTML;
}

QString TSolvaraForm::ProposedFileName() const {
  return dlgSaveHTML != nullptr ? dlgSaveHTML->ProposedFileName()
                                : TSaveReportDialog::InitialFileName();
}

void TSolvaraForm::btnSaveClick() {
  if (saving_) {
    return;
  }
  // The answers are coded before the dialog, whatever the user then does.
  std::vector<std::string> lines;
  bool built = true;
  try {
    lines = ReportLines();
  } catch (...) {
    built = false;
  }

  saving_ = true;
  QPointer<TSolvaraForm> self(this);
  TSaveReportDialog* dialog = SaveDialog();
  const QString fileName = saveFileChooser_ ? saveFileChooser_(*dialog) : dialog->Choose();
  if (!self) {
    return;
  }
  if (fileName.isEmpty()) {
    saving_ = false;
    return;
  }
  dialog->Remember(fileName);

  bool saved = false;
  try {
    saved = built && WriteReportFile(fileName, QByteArray::fromStdString(SavedForm(lines)));
  } catch (...) {
    saved = false;
  }
  ShowMessage(this, saved ? BoxKind::Information : BoxKind::Error,
              T(saved ? txt::kReportSaved : txt::kSaveFailed));
  if (self) {
    saving_ = false;
  }
}

}  // namespace solvara
