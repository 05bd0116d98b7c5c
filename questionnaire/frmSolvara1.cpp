#include "questionnaire/frmSolvara1.h"

#include <algorithm>
#include <initializer_list>
#include <limits>
#include <utility>

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

#include "globals.h"
#include "report/ReportOutput.h"
#include "report/ReportText.h"
#include "scoring/BCCScoreU.h"
#include "shell/BrowserU.h"
#include "shell/MessageBoxes.h"

namespace solvara {

namespace {

// A list with one choice that, once made, can be changed but not taken back: Qt's
// single selection lets Ctrl+click or Ctrl+Space clear it, which would silently drop
// the occupation (and the years-in-job question) from the answers.
class TChoiceList : public QListWidget {
 public:
  using QListWidget::QListWidget;

 protected:
  QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                       const QEvent* event) const override {
    QItemSelectionModel::SelectionFlags flags = QListWidget::selectionCommand(index, event);
    if (flags & (QItemSelectionModel::Deselect | QItemSelectionModel::Toggle)) {
      return index.isValid() ? QItemSelectionModel::ClearAndSelect : QItemSelectionModel::NoUpdate;
    }
    return flags;
  }
};

// Every text this page shows, in one place.
namespace txt {
const char* const kTabs[] = {"Introduction ", "About You ",     "Address ", "Occupation ",
                             "Cards Held ",   "Miscellaneous ", "Result "};
const char* const kNext = "Next";
const char* const kBack = "Back";
const char* const kFinish = "Finish";
const char* const kPrint = "Print";
const char* const kSave = "Save as HTML";

// Page 0.
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

// Page 1.
const char* const kLabel8 = "About You";
const char* const kLabel6 = "What age are you ?";
const char* const kLblAge = "18 Years Old";
const char* const kLabel21 = "18 Years Old";
const char* const kLabel20 = "40 Years Old";
const char* const kLabel19 = "Over 65 Years Old";
const char* const kLabel7 = "Marital Status:";
const char* const kSingle = "Single";
const char* const kMarried = "Married";
const char* const kDivorced = "Divorced";
const char* const kMaritalOther = "Other (Widowed / Partner ?)";
const char* const kLabel41 = "What is your annual salary ?";

// Page 2.
const char* const kLabel9 = "Address";
const char* const kLabel10 = "Residential Status:";
const char* const kTenant = "Tenant";
const char* const kLivingWithParents = "Living with Parents";
const char* const kOwner = "Owner";
const char* const kLocalAuthority = "Local Authority";
const char* const kOther = "Other";
const char* const kLabel12 = "How many years have you been at your current address ?";
const char* const kLblYearsAtAddress = "Less than 1 Year";
const char* const kLabel15 = "Less than 1 Year";
const char* const kLabel14 = "10 Years";
const char* const kLabel13 = "Over 20 Years";
const char* const kLabel11 = "Enter your telephone number:";

// Page 3.
const char* const kLabel16 = "Occupation";
const char* const kLabel17 = "What would best describe your occupation ?";
const char* const kLblTimeInJob1 = "Where applicable, how long have you been doing that job ?";
const char* const kLblTimeAtJob = "Less than 1 Year";
const char* const kLblTimeInJob2 = "Less than 1 Year";
const char* const kLblTimeInJob3 = "10 Years";
const char* const kLblTimeInJob4 = "Over 20 Years";

// Page 4.
const char* const kLabel23 = "Cards Held";
const char* const kLabel24 = "Do you have any other debit / credit cards ?";
const char* const kLabel25 = "Visa ";
const char* const kLabel26 = "Access / Mastercard";
const char* const kLabel27 = "Chequecard";
const char* const kYes = "Yes";
const char* const kNo = "No";
const char* const kLabel28 = "How many charge card accounts do you have ?";
const char* const kLblChargeCardsHeld = "None";
const char* const kLabel32 = "None";
const char* const kLabel30 = "More than 5";

// Page 5.
const char* const kLabel29 = "Miscellaneous";
const char* const kLabel31 =
    "These details would not normally be asked for in an application form but would be "
    "obtained about you from a credit"
    " checking bureau.";
const char* const kLabel33 = "How many live credit accounts do you have ?";
const char* const kLblLiveAccounts = "None";
const char* const kLabel36 = "None";
const char* const kLabel35 = "More than 8";
const char* const kLabel37 = "Have you missed more than one payment recently ?";
const char* const kLabel34 = "Have you defaulted on any accounts ?";
const char* const kDefaultedMorethan1 = "Yes, on more than one account";
const char* const kLabel39 = "Have you any County Court Judgements against you (CCJ's) ?";
const char* const kCCJMorethanone = "Yes, more than one";
const char* const kLabel38 = "Have you settled any accounts ?";
const char* const kSettled1 = "1";
const char* const kSettled2 = "2";
const char* const kSettledMoreThan2 = "More than 2";
const char* const kLabel40 = "Are you on the electoral register ?";
const char* const kElectoralOver5Years = "Yes but last registered over 5 years ago";

// Page 6.
const char* const kReportName = "Results";

// Slider value texts.
const char* const kAgeTop = "Over 65 Years Old";
const char* const kAgeUnit = " Years Old";
const char* const kAddressZero = "Less than 1 year";
const char* const kJobZero = "Less than a year";
const char* const kOneYear = "1 year";
const char* const kYearsTop = "Over 20 years";
const char* const kYearsUnit = " years";
const char* const kChargeCardsZero = "No cards held";
const char* const kChargeCardsOne = "1 charge card";
const char* const kChargeCardsTop = "Over 5 charge cards";
const char* const kChargeCardsUnit = " charge cards";
const char* const kLiveAccountsZero = "None";
const char* const kLiveAccountsOne = "1 live account";
const char* const kLiveAccountsTop = "Over 8 live accounts";
const char* const kLiveAccountsUnit = " live accounts";

// Save messages.
const char* const kReportSaved = "Report saved.";
const char* const kSaveFailed = "An error occurred saving the report";
}  // namespace txt

QString T(const char* text) {
  return QString::fromUtf8(text);
}

// The value text of a slider: special texts at the ends, otherwise the number and
// its unit.
QString ValueText(int n, int top, const char* topText, const char* zeroText, const char* oneText,
                  const char* unit) {
  if (n == top) {
    return T(topText);
  }
  if (n == 0 && zeroText != nullptr) {
    return T(zeroText);
  }
  if (n == 1 && oneText != nullptr) {
    return T(oneText);
  }
  return QString::number(n) + T(unit);
}

constexpr int kButtonBarHeight = 41;
constexpr int kResultBarHeight = 33;
constexpr int kPageMargin = 16;

QLabel* MakeLabel(QWidget* parent, const char* text, bool wrap = false) {
  auto* label = new QLabel(T(text), parent);
  label->setWordWrap(wrap);
  return label;
}

QLabel* MakeTitle(QWidget* parent, const char* text) {
  QLabel* label = MakeLabel(parent, text);
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  return label;
}

QSlider* MakeSlider(QWidget* parent, int minimum, int maximum, QLabel* question) {
  auto* slider = new QSlider(Qt::Horizontal, parent);
  slider->setRange(minimum, maximum);
  slider->setValue(minimum);
  slider->setSingleStep(1);
  slider->setPageStep(2);
  slider->setTickPosition(QSlider::TicksBelow);
  slider->setTickInterval(1);
  slider->setFocusPolicy(Qt::StrongFocus);
  slider->setAccessibleName(question->text());
  question->setBuddy(slider);
  return slider;
}

QRadioButton* MakeRadio(QWidget* parent, const char* text, QButtonGroup* group,
                        const QString& question) {
  auto* button = new QRadioButton(T(text), parent);
  button->setAccessibleName(button->text());
  button->setAccessibleDescription(question);
  group->addButton(button);
  return button;
}

// The picture is one of ours, not the style's, which searches the icon theme for
// every one.
QPushButton* MakeButton(QWidget* parent, const char* text, const char* picture, int width) {
  auto* button = new QPushButton(QIcon(QString::fromLatin1(picture)), T(text), parent);
  button->setAccessibleName(button->text());
  button->setMinimumSize(width, 25);
  button->setAutoDefault(false);
  return button;
}

QButtonGroup* MakeGroup(QObject* owner) {
  auto* group = new QButtonGroup(owner);
  group->setExclusive(true);
  return group;
}

// A question whose answer is a slider: the question, the value in words centred
// across the page, the slider, and the scale under its ends (and middle).
void AddSliderQuestion(QVBoxLayout* page, QLabel* question, QLabel* value, QSlider* slider,
                       QLabel* left, QLabel* middle, QLabel* right) {
  value->setAlignment(Qt::AlignHCenter);
  page->addWidget(question);
  page->addWidget(value);
  page->addWidget(slider);
  auto* scale = new QGridLayout;
  scale->setContentsMargins(0, 0, 0, 0);
  QLabel* ends[] = {left, middle, right};
  const Qt::Alignment alignments[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
  for (int i = 0; i < 3; ++i) {
    scale->setColumnStretch(i, 1);
    if (ends[i] == nullptr) {
      continue;
    }
    QFont font = ends[i]->font();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    ends[i]->setFont(font);
    ends[i]->setWordWrap(true);
    ends[i]->setAlignment(alignments[i] | Qt::AlignTop);
    scale->addWidget(ends[i], 0, i);
  }
  page->addLayout(scale);
}

// The bar along the bottom of a page of questions: Back (if any) and the forward
// button at its right.
void AddButtonBar(QVBoxLayout* page, QWidget* parent, QPushButton* back, QPushButton* forward) {
  auto* bar = new QWidget(parent);
  bar->setFixedHeight(kButtonBarHeight);
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(0, 8, 23 - kPageMargin, 8);
  row->setSpacing(7);
  row->addStretch(1);
  if (back != nullptr) {
    back->setParent(bar);
    row->addWidget(back);
  }
  forward->setParent(bar);
  row->addWidget(forward);
  page->addStretch(1);
  page->addWidget(bar);
}

// A choice question whose choices stand in one row under it: beside it they would not
// fit the page's width.
void AddChoiceRow(QVBoxLayout* page, QWidget* parent, QLabel*& question, const char* questionText,
                  QButtonGroup* group,
                  std::initializer_list<std::pair<QRadioButton**, const char*>> choices) {
  question = MakeLabel(parent, questionText);
  page->addWidget(question);
  auto* row = new QHBoxLayout;
  for (const auto& choice : choices) {
    *choice.first = MakeRadio(parent, choice.second, group, question->text());
    row->addWidget(*choice.first);
  }
  row->addStretch(1);
  page->addLayout(row);
  page->addSpacing(8);
}

// A question with an edit box beside it. Qt cuts a line edit's text at 32,767
// characters by default; a pasted salary or telephone must reach the coding whole.
QLineEdit* AddEditQuestion(QVBoxLayout* page, QWidget* parent, QLabel*& question,
                           const char* questionText) {
  auto* row = new QHBoxLayout;
  question = MakeLabel(parent, questionText);
  auto* edit = new QLineEdit(parent);
  edit->setMaxLength(std::numeric_limits<int>::max());
  edit->setAccessibleName(question->text());
  question->setBuddy(edit);
  row->addWidget(question);
  row->addWidget(edit, 1);
  row->addStretch(1);
  page->addLayout(row);
  return edit;
}

QVBoxLayout* PageLayout(QWidget* page) {
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(kPageMargin, 8, kPageMargin, 0);
  layout->setSpacing(4);
  return layout;
}

// How a choice question's text stands before its choices: as a row caption of a
// fixed width (the card questions line up), or taking the room the choices leave and
// wrapping in it.
enum class Caption { Fixed, Wraps };

// A choice question in a panel of its own: the question, then its choices left to
// right in the same row.
QWidget* MakeChoicePanel(QWidget* parent, QLabel*& question, const char* questionText,
                         QButtonGroup* group,
                         std::initializer_list<std::pair<QRadioButton**, const char*>> choices,
                         Caption caption) {
  auto* panel = new QWidget(parent);
  auto* row = new QHBoxLayout(panel);
  row->setContentsMargins(0, 0, 0, 0);
  question = MakeLabel(panel, questionText, true);
  row->addWidget(question, caption == Caption::Wraps ? 1 : 0);
  panel->setAccessibleName(question->text());
  for (const auto& choice : choices) {
    *choice.first = MakeRadio(panel, choice.second, group, question->text());
    row->addWidget(*choice.first);
  }
  // What is left once a wrapping question has all the room it can use goes after the
  // choices.
  row->addStretch(caption == Caption::Fixed ? 1 : 0);
  return panel;
}

}  // namespace

TSolvaraForm::TSolvaraForm(QWidget* parent) : QWidget(parent) {
  BuildPages();
  FormCreate();
}

TSolvaraForm::~TSolvaraForm() {
  FormDestroy();
}

void TSolvaraForm::BuildPages() {
  auto* form = new QVBoxLayout(this);
  form->setContentsMargins(0, 0, 0, 0);
  form->setSpacing(0);
  CreditPages = new QStackedWidget(this);
  form->addWidget(CreditPages, 1);

  // Page 0: Introduction.
  TabSheet1 = new QWidget(CreditPages);
  {
    QVBoxLayout* v = PageLayout(TabSheet1);
    Label1 = MakeTitle(TabSheet1, txt::kLabel1);
    Label4 = MakeLabel(TabSheet1, txt::kLabel4);
    Label5 = MakeLabel(TabSheet1, txt::kLabel5, true);
    Label3 = MakeLabel(TabSheet1, txt::kLabel3, true);
    Label2 = MakeLabel(TabSheet1, txt::kLabel2, true);
    v->addWidget(Label1);
    v->addSpacing(6);
    for (QLabel* l : {Label4, Label5, Label3, Label2}) {
      v->addWidget(l);
      v->addSpacing(4);
    }
    btnNext = MakeButton(TabSheet1, txt::kNext, ":/buttons/next.png", 75);
    AddButtonBar(v, TabSheet1, nullptr, btnNext);
  }

  // Page 1: About You.
  TabSheet2 = new QWidget(CreditPages);
  {
    QVBoxLayout* v = PageLayout(TabSheet2);
    Label8 = MakeTitle(TabSheet2, txt::kLabel8);
    v->addWidget(Label8);
    Label6 = MakeLabel(TabSheet2, txt::kLabel6);
    lblAge = MakeLabel(TabSheet2, txt::kLblAge);
    tbAge = MakeSlider(TabSheet2, 18, 66, Label6);
    Label21 = MakeLabel(TabSheet2, txt::kLabel21);
    Label20 = MakeLabel(TabSheet2, txt::kLabel20);
    Label19 = MakeLabel(TabSheet2, txt::kLabel19);
    AddSliderQuestion(v, Label6, lblAge, tbAge, Label21, Label20, Label19);
    v->addSpacing(8);

    grpMarital = MakeGroup(this);
    AddChoiceRow(v, TabSheet2, Label7, txt::kLabel7, grpMarital,
                 {{&rbSingle, txt::kSingle},
                  {&rbMarried, txt::kMarried},
                  {&rbDivorced, txt::kDivorced},
                  {&rbMaritalOther, txt::kMaritalOther}});
    rbSingle->setChecked(true);

    edSalary = AddEditQuestion(v, TabSheet2, Label41, txt::kLabel41);

    BackBtn = MakeButton(TabSheet2, txt::kBack, ":/buttons/back.png", 81);
    NextBtn = MakeButton(TabSheet2, txt::kNext, ":/buttons/next.png", 75);
    AddButtonBar(v, TabSheet2, BackBtn, NextBtn);
  }

  // Page 2: Address.
  TabSheet3 = new QWidget(CreditPages);
  {
    QVBoxLayout* v = PageLayout(TabSheet3);
    Label9 = MakeTitle(TabSheet3, txt::kLabel9);
    v->addWidget(Label9);

    grpResidential = MakeGroup(this);
    AddChoiceRow(v, TabSheet3, Label10, txt::kLabel10, grpResidential,
                 {{&rbTenant, txt::kTenant},
                  {&rbLivingWithParents, txt::kLivingWithParents},
                  {&rbOwner, txt::kOwner},
                  {&rbLocalAuthority, txt::kLocalAuthority},
                  {&rbOther, txt::kOther}});

    Label12 = MakeLabel(TabSheet3, txt::kLabel12);
    lblYearsAtAddress = MakeLabel(TabSheet3, txt::kLblYearsAtAddress);
    tbYearsAtAddress = MakeSlider(TabSheet3, 0, 21, Label12);
    Label15 = MakeLabel(TabSheet3, txt::kLabel15);
    Label14 = MakeLabel(TabSheet3, txt::kLabel14);
    Label13 = MakeLabel(TabSheet3, txt::kLabel13);
    AddSliderQuestion(v, Label12, lblYearsAtAddress, tbYearsAtAddress, Label15, Label14, Label13);
    v->addSpacing(8);

    edTelephone = AddEditQuestion(v, TabSheet3, Label11, txt::kLabel11);

    SpeedButton6 = MakeButton(TabSheet3, txt::kBack, ":/buttons/back.png", 81);
    SpeedButton5 = MakeButton(TabSheet3, txt::kNext, ":/buttons/next.png", 75);
    AddButtonBar(v, TabSheet3, SpeedButton6, SpeedButton5);
  }

  // Page 3: Occupation.
  TabSheet4 = new QWidget(CreditPages);
  {
    QVBoxLayout* v = PageLayout(TabSheet4);
    Label16 = MakeTitle(TabSheet4, txt::kLabel16);
    Label17 = MakeLabel(TabSheet4, txt::kLabel17);
    v->addWidget(Label16);
    v->addWidget(Label17);
    lbOccupation = new TChoiceList(TabSheet4);
    lbOccupation->setSelectionMode(QAbstractItemView::SingleSelection);
    lbOccupation->setAccessibleName(Label17->text());
    Label17->setBuddy(lbOccupation);
    for (const std::string& occupation : OccupationTexts()) {
      lbOccupation->addItem(QString::fromStdString(occupation));
    }
    // Nothing chosen and nothing marked as if it were.
    lbOccupation->setCurrentIndex(QModelIndex());
    // About seven entries in view.
    const int row = lbOccupation->sizeHintForRow(0);
    lbOccupation->setFixedHeight(row * 7 + 2 * lbOccupation->frameWidth());
    v->addWidget(lbOccupation);

    pnlYearsInJob = new QWidget(TabSheet4);
    auto* job = new QVBoxLayout(pnlYearsInJob);
    job->setContentsMargins(0, 4, 0, 0);
    job->setSpacing(4);
    lblTimeInJob1 = MakeLabel(pnlYearsInJob, txt::kLblTimeInJob1);
    lblTimeAtJob = MakeLabel(pnlYearsInJob, txt::kLblTimeAtJob);
    tbTimeAtJob = MakeSlider(pnlYearsInJob, 0, 21, lblTimeInJob1);
    lblTimeInJob2 = MakeLabel(pnlYearsInJob, txt::kLblTimeInJob2);
    lblTimeInJob3 = MakeLabel(pnlYearsInJob, txt::kLblTimeInJob3);
    lblTimeInJob4 = MakeLabel(pnlYearsInJob, txt::kLblTimeInJob4);
    AddSliderQuestion(job, lblTimeInJob1, lblTimeAtJob, tbTimeAtJob, lblTimeInJob2, lblTimeInJob3,
                      lblTimeInJob4);
    v->addWidget(pnlYearsInJob);

    SpeedButton9 = MakeButton(TabSheet4, txt::kBack, ":/buttons/back.png", 81);
    SpeedButton8 = MakeButton(TabSheet4, txt::kNext, ":/buttons/next.png", 75);
    AddButtonBar(v, TabSheet4, SpeedButton9, SpeedButton8);
  }

  // Page 4: Cards Held.
  TabSheet5 = new QWidget(CreditPages);
  {
    QVBoxLayout* v = PageLayout(TabSheet5);
    Label23 = MakeTitle(TabSheet5, txt::kLabel23);
    Label24 = MakeLabel(TabSheet5, txt::kLabel24);
    v->addWidget(Label23);
    v->addWidget(Label24);

    // The three card questions line up: caption, Yes, No.
    grpVisa = MakeGroup(this);
    grpMasterCard = MakeGroup(this);
    grpChequeCard = MakeGroup(this);
    Panel7 = MakeChoicePanel(TabSheet5, Label25, txt::kLabel25, grpVisa,
                             {{&rbVisaYes, txt::kYes}, {&rbVisaNo, txt::kNo}}, Caption::Fixed);
    Panel8 = MakeChoicePanel(TabSheet5, Label26, txt::kLabel26, grpMasterCard,
                             {{&rbMasterCardYes, txt::kYes}, {&rbMasterCardNo, txt::kNo}},
                             Caption::Fixed);
    Panel9 = MakeChoicePanel(TabSheet5, Label27, txt::kLabel27, grpChequeCard,
                             {{&rbChequeCardYes, txt::kYes}, {&rbChequeCardNo, txt::kNo}},
                             Caption::Fixed);
    int captionWidth = 0;
    for (QLabel* caption : {Label25, Label26, Label27}) {
      captionWidth = std::max(captionWidth, caption->sizeHint().width());
    }
    for (QLabel* caption : {Label25, Label26, Label27}) {
      caption->setFixedWidth(std::min(captionWidth, 120));
    }
    for (QWidget* panel : {Panel7, Panel8, Panel9}) {
      v->addWidget(panel);
    }
    v->addSpacing(8);

    Label28 = MakeLabel(TabSheet5, txt::kLabel28);
    lblChargeCardsHeld = MakeLabel(TabSheet5, txt::kLblChargeCardsHeld);
    tbChargeCardsHeld = MakeSlider(TabSheet5, 0, 6, Label28);
    Label32 = MakeLabel(TabSheet5, txt::kLabel32);
    Label30 = MakeLabel(TabSheet5, txt::kLabel30);
    AddSliderQuestion(v, Label28, lblChargeCardsHeld, tbChargeCardsHeld, Label32, nullptr, Label30);

    SpeedButton12 = MakeButton(TabSheet5, txt::kBack, ":/buttons/back.png", 81);
    SpeedButton11 = MakeButton(TabSheet5, txt::kNext, ":/buttons/next.png", 75);
    AddButtonBar(v, TabSheet5, SpeedButton12, SpeedButton11);
  }

  // Page 5: Miscellaneous.
  TabSheet6 = new QWidget(CreditPages);
  {
    QVBoxLayout* v = PageLayout(TabSheet6);
    v->setSpacing(2);
    Label29 = MakeTitle(TabSheet6, txt::kLabel29);
    Label31 = MakeLabel(TabSheet6, txt::kLabel31, true);
    v->addWidget(Label29);
    v->addWidget(Label31);

    Label33 = MakeLabel(TabSheet6, txt::kLabel33);
    lblLiveAccounts = MakeLabel(TabSheet6, txt::kLblLiveAccounts);
    tbLiveAccounts = MakeSlider(TabSheet6, 0, 9, Label33);
    Label36 = MakeLabel(TabSheet6, txt::kLabel36);
    Label35 = MakeLabel(TabSheet6, txt::kLabel35);
    AddSliderQuestion(v, Label33, lblLiveAccounts, tbLiveAccounts, Label36, nullptr, Label35);

    grpMissedPayments = MakeGroup(this);
    grpDefaultedAccounts = MakeGroup(this);
    grpCCJ = MakeGroup(this);
    grpSettledAccounts = MakeGroup(this);
    grpElectoralRegister = MakeGroup(this);
    Panel10 = MakeChoicePanel(TabSheet6, Label37, txt::kLabel37, grpMissedPayments,
                              {{&rbMissedPaymentsYes, txt::kYes}, {&rbMissedPaymentsNo, txt::kNo}},
                              Caption::Wraps);
    Panel11 = MakeChoicePanel(TabSheet6, Label34, txt::kLabel34, grpDefaultedAccounts,
                              {{&rbDefaultedAccountsNo, txt::kNo},
                               {&rbDefaultedAccountsYes, txt::kYes},
                               {&rbDefaultedAccountsMorethan1, txt::kDefaultedMorethan1}},
                              Caption::Wraps);
    Panel12 = MakeChoicePanel(
        TabSheet6, Label39, txt::kLabel39, grpCCJ,
        {{&rbCCJNo, txt::kNo}, {&rbCCJYes, txt::kYes}, {&rbCCJMorethanone, txt::kCCJMorethanone}},
        Caption::Wraps);
    Panel13 = MakeChoicePanel(TabSheet6, Label38, txt::kLabel38, grpSettledAccounts,
                              {{&rbSettledAccountsNo, txt::kNo},
                               {&rbSettledAccounts1, txt::kSettled1},
                               {&rbSettledAccounts2, txt::kSettled2},
                               {&rbSettledAccountsmoreThan2, txt::kSettledMoreThan2}},
                              Caption::Wraps);
    Panel14 = MakeChoicePanel(TabSheet6, Label40, txt::kLabel40, grpElectoralRegister,
                              {{&rbElectoralRegisterNo, txt::kNo},
                               {&rbElectoralRegisterYes, txt::kYes},
                               {&rbElectoralRegisterOver5Years, txt::kElectoralOver5Years}},
                              Caption::Wraps);
    // On a wide page the questions stop at one width, so that the choices line up.
    int questionWidth = 0;
    for (QLabel* question : {Label37, Label34, Label39, Label38, Label40}) {
      questionWidth =
          std::max(questionWidth, question->fontMetrics().horizontalAdvance(question->text()));
    }
    for (QLabel* question : {Label37, Label34, Label39, Label38, Label40}) {
      question->setMaximumWidth(questionWidth + 2 * question->margin() + 8);
    }
    for (QWidget* panel : {Panel10, Panel11, Panel12, Panel13, Panel14}) {
      v->addWidget(panel);
    }

    SpeedButton15 = MakeButton(TabSheet6, txt::kBack, ":/buttons/back.png", 81);
    btnFinish = MakeButton(TabSheet6, txt::kFinish, ":/buttons/check.png", 75);
    AddButtonBar(v, TabSheet6, SpeedButton15, btnFinish);
  }

  // Page 6: Result.
  TabResults = new QWidget(CreditPages);
  {
    auto* v = new QVBoxLayout(TabResults);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    Panel15 = new QWidget(TabResults);
    Panel15->setFixedHeight(kResultBarHeight);
    auto* bar = new QHBoxLayout(Panel15);
    bar->setContentsMargins(4, 4, 4, 4);
    btnPrint = MakeButton(Panel15, txt::kPrint, ":/buttons/print.png", 75);
    btnSave = MakeButton(Panel15, txt::kSave, ":/buttons/save.png", 75);
    bar->addWidget(btnPrint);
    bar->addWidget(btnSave);
    bar->addStretch(1);
    v->addWidget(Panel15);
    WebReport = new TWebBrowser(TabResults);
    WebReport->setAccessibleName(T(txt::kReportName));
    // Reached by the mouse, not by the Tab key.
    WebReport->setFocusPolicy(Qt::NoFocus);
    WebReport->View()->setFocusPolicy(Qt::ClickFocus);
    WebReport->View()->setAccessibleName(T(txt::kReportName));
    v->addWidget(WebReport, 1);
  }

  for (QWidget* page :
       {TabSheet1, TabSheet2, TabSheet3, TabSheet4, TabSheet5, TabSheet6, TabResults}) {
    CreditPages->addWidget(page);
  }

  CreditTabs = new QTabBar(this);
  CreditTabs->setShape(QTabBar::RoundedSouth);
  CreditTabs->setExpanding(false);
  CreditTabs->setDrawBase(true);
  CreditTabs->setElideMode(Qt::ElideNone);
  // Slim tabs, so that all seven captions fit the page's width.
  CreditTabs->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 3px 5px; }"));
  for (const char* caption : txt::kTabs) {
    CreditTabs->addTab(T(caption));
  }
  CreditTabs->setCurrentIndex(0);
  form->addWidget(CreditTabs);

  // Handlers.
  for (QPushButton* next : {btnNext, NextBtn, SpeedButton5, SpeedButton8, SpeedButton11}) {
    connect(next, &QPushButton::clicked, this, &TSolvaraForm::NextBtnClick);
  }
  for (QPushButton* back : {BackBtn, SpeedButton6, SpeedButton9, SpeedButton12, SpeedButton15}) {
    connect(back, &QPushButton::clicked, this, &TSolvaraForm::BackBtnClick);
  }
  connect(CreditTabs, &QTabBar::currentChanged, this, &TSolvaraForm::CreditTabsChange);
  connect(lbOccupation, &QListWidget::itemSelectionChanged, this, &TSolvaraForm::lbOccupationClick);
  connect(tbAge, &QSlider::valueChanged, this, &TSolvaraForm::tbAgeChange);
  connect(tbYearsAtAddress, &QSlider::valueChanged, this, &TSolvaraForm::tbYearsAtAddressChange);
  connect(tbTimeAtJob, &QSlider::valueChanged, this, &TSolvaraForm::tbTimeAtJobChange);
  connect(tbChargeCardsHeld, &QSlider::valueChanged, this, &TSolvaraForm::tbChargeCardsHeldChange);
  connect(tbLiveAccounts, &QSlider::valueChanged, this, &TSolvaraForm::tbLiveAccountsChange);
  connect(btnFinish, &QPushButton::clicked, this, &TSolvaraForm::btnFinishClick);
  connect(btnPrint, &QPushButton::clicked, this, &TSolvaraForm::btnPrintClick);
  connect(btnSave, &QPushButton::clicked, this, &TSolvaraForm::btnSaveClick);
}

void TSolvaraForm::FormCreate() {
  // The page stack has no tabs of its own; CreditTabs is the only row of tabs.
  SetActivePage(kIntroduction);
  lbOccupationClick();
  InstallMouseHook();
  MonthlyIncome = 0;
}

void TSolvaraForm::FormDestroy() {
  RemoveMouseHook();
}

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
    for (QWidget* w = page->nextInFocusChain(); w != page && w != nullptr;
         w = w->nextInFocusChain()) {
      if (page->isAncestorOf(w) && w->isVisible() && w->isEnabled() &&
          (w->focusPolicy() & Qt::TabFocus) != 0) {
        w->setFocus(Qt::TabFocusReason);
        break;
      }
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

void TSolvaraForm::tbAgeChange() {
  lblAge->setText(ValueText(tbAge->value(), 66, txt::kAgeTop, nullptr, nullptr, txt::kAgeUnit));
}

void TSolvaraForm::tbYearsAtAddressChange() {
  lblYearsAtAddress->setText(ValueText(tbYearsAtAddress->value(), 21, txt::kYearsTop,
                                       txt::kAddressZero, txt::kOneYear, txt::kYearsUnit));
}

void TSolvaraForm::tbTimeAtJobChange() {
  lblTimeAtJob->setText(ValueText(tbTimeAtJob->value(), 21, txt::kYearsTop, txt::kJobZero,
                                  txt::kOneYear, txt::kYearsUnit));
}

void TSolvaraForm::tbChargeCardsHeldChange() {
  lblChargeCardsHeld->setText(ValueText(tbChargeCardsHeld->value(), 6, txt::kChargeCardsTop,
                                        txt::kChargeCardsZero, txt::kChargeCardsOne,
                                        txt::kChargeCardsUnit));
}

void TSolvaraForm::tbLiveAccountsChange() {
  lblLiveAccounts->setText(ValueText(tbLiveAccounts->value(), 9, txt::kLiveAccountsTop,
                                     txt::kLiveAccountsZero, txt::kLiveAccountsOne,
                                     txt::kLiveAccountsUnit));
}

TAnswers TSolvaraForm::Answers() const {
  TAnswers a;
  a.Age = tbAge->value();
  if (rbSingle->isChecked()) {
    a.Marital = MaritalChoice::Single;
  } else if (rbMarried->isChecked()) {
    a.Marital = MaritalChoice::Married;
  } else if (rbDivorced->isChecked()) {
    a.Marital = MaritalChoice::Divorced;
  } else {
    a.Marital = MaritalChoice::Other;
  }
  a.Salary = edSalary->text().toStdString();
  a.Residential = rbTenant->isChecked()              ? ResidentialChoice::Tenant
                  : rbLivingWithParents->isChecked() ? ResidentialChoice::LivingWithParents
                  : rbOwner->isChecked()             ? ResidentialChoice::Owner
                  : rbLocalAuthority->isChecked()    ? ResidentialChoice::LocalAuthority
                  : rbOther->isChecked()             ? ResidentialChoice::Other
                                                     : ResidentialChoice::None;
  a.YearsAtAddress = tbYearsAtAddress->value();
  a.Telephone = edTelephone->text().toStdString();
  // The chosen entry is the selected one: the list's current row alone moves when
  // the keyboard merely enters the list.
  const QList<QListWidgetItem*> chosen = lbOccupation->selectedItems();
  a.Occupation = chosen.isEmpty() ? -1 : lbOccupation->row(chosen.first());
  a.YearsInJob = tbTimeAtJob->value();

  auto yesNo = [](const QRadioButton* yes, const QRadioButton* no) {
    return yes->isChecked()  ? YesNoChoice::Yes
           : no->isChecked() ? YesNoChoice::No
                             : YesNoChoice::None;
  };
  a.Visa = yesNo(rbVisaYes, rbVisaNo);
  a.MasterCard = yesNo(rbMasterCardYes, rbMasterCardNo);
  a.ChequeCard = yesNo(rbChequeCardYes, rbChequeCardNo);
  a.ChargeCards = tbChargeCardsHeld->value();
  a.LiveAccounts = tbLiveAccounts->value();
  a.MissedPayments = yesNo(rbMissedPaymentsYes, rbMissedPaymentsNo);

  auto count = [](const QRadioButton* no, const QRadioButton* yes, const QRadioButton* more) {
    return no->isChecked()     ? CountChoice::No
           : yes->isChecked()  ? CountChoice::Yes
           : more->isChecked() ? CountChoice::MoreThanOne
                               : CountChoice::None;
  };
  a.DefaultedAccounts =
      count(rbDefaultedAccountsNo, rbDefaultedAccountsYes, rbDefaultedAccountsMorethan1);
  a.CountyCourtJudgements = count(rbCCJNo, rbCCJYes, rbCCJMorethanone);
  a.SettledAccounts = rbSettledAccountsNo->isChecked()          ? SettledChoice::No
                      : rbSettledAccounts1->isChecked()         ? SettledChoice::One
                      : rbSettledAccounts2->isChecked()         ? SettledChoice::Two
                      : rbSettledAccountsmoreThan2->isChecked() ? SettledChoice::MoreThanTwo
                                                                : SettledChoice::None;
  a.ElectoralRegister = rbElectoralRegisterNo->isChecked()           ? ElectoralChoice::No
                        : rbElectoralRegisterYes->isChecked()        ? ElectoralChoice::Yes
                        : rbElectoralRegisterOver5Years->isChecked() ? ElectoralChoice::Over5Years
                                                                     : ElectoralChoice::None;
  return a;
}

void TSolvaraForm::BuildUpValues(std::vector<std::string>& Names,
                                 std::vector<std::string>& Values) const {
  solvara::BuildUpValues(Answers(), Names, Values, MonthlyIncome);
}

std::vector<std::string> TSolvaraForm::AnalyseWhy(TCCScore& card) const {
  return solvara::AnalyseWhy(card, MonthlyIncome);
}

void TSolvaraForm::btnFinishClick() {
  std::vector<std::string> Names;
  std::vector<std::string> Values;
  BuildUpValues(Names, Values);

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

  TCCScore card;
  card.CalculateScore(Names, Values);
  const std::vector<std::string> lines = AnalyseWhy(card);
  LoadHTMLIntoBrowser(WebReport, QByteArray::fromStdString(ShownForm(lines)));
  if (self) {
    emit ReportShown();
  }
}

void TSolvaraForm::btnPrintClick() {
  // The print dialog is modal; a second click while it is up would print twice.
  if (printing_) {
    return;
  }
  printing_ = true;
  QPointer<TSolvaraForm> self(this);
  WebReport->Print();
  if (self) {
    printing_ = false;
  }
}

void TSolvaraForm::SetSaveFileChooser(SaveFileChooser chooser) {
  saveFileChooser_ = std::move(chooser);
}

TSaveReportDialog* TSolvaraForm::SaveDialog() {
  if (dlgSaveHTML == nullptr) {
    dlgSaveHTML = new TSaveReportDialog(this);
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
  std::vector<std::string> Names;
  std::vector<std::string> Values;
  BuildUpValues(Names, Values);

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
    TCCScore card;
    card.CalculateScore(Names, Values);
    const std::vector<std::string> lines = AnalyseWhy(card);
    saved = WriteReportFile(fileName, QByteArray::fromStdString(SavedForm(lines)));
  } catch (...) {
    saved = false;
  }
  if (saved) {
    ShowMessage(this, BoxKind::Information, T(txt::kReportSaved));
  } else {
    ShowMessage(this, BoxKind::Error, T(txt::kSaveFailed));
  }
  if (self) {
    saving_ = false;
  }
}

}  // namespace solvara
