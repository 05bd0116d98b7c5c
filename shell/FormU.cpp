#include "shell/FormU.h"

#include <QAction>
#include <QButtonGroup>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStyle>
#include <QTabBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

#include "SolvaraConfig.h"
#include "platform/AccessibleU.h"
#include "platform/ColoursU.h"
#include "platform/FitU.h"
#include "platform/HomePage.h"
#include "platform/MessageBoxes.h"
#include "questionnaire/form/frmSolvara1.h"
#include "shell/ShellEx.h"
#include "shell/aboutform.h"
#include "shell/browser/BrowserU.h"
#include "shell/frmNews.h"

namespace solvara {

namespace {

// The window's own texts.
const char* const kFileMenu = "&File";
const char* const kExitItem = "&Exit";
const char* const kHelpMenu = "&Help";
const char* const kAboutItem = "&About";
const char* const kWebsiteItem = "Visit Home Page";
const char* const kNewsCaption = "News        ";
const char* const kNewsHint = "Show News Page";
const char* const kSingleSearchCaption = "Start Check";
const char* const kSingleSearchHint = "Show Single Search Page";
const char* const kHelpCaption = "Help         ";
const char* const kHelpHint = "View Help";
const char* const kHelpFileName = "help.htm";

// Client area at the designed font: the 24-pixel menu bar over the 97-pixel button bar
// and the 543 x 370 panel for the pages. A larger font makes the bars larger and the
// window opens larger, in these proportions, until the pages fit.
constexpr int kClientWidth = 640;
constexpr int kClientHeight = 394;
constexpr int kMenuBarHeight = 24;
constexpr int kButtonBarWidth = 97;
constexpr int kVersionPanelHeight = 41;
// The bar's buttons: 90 x 29, 5 from its left edge, at tops 18, 54 and 88.
constexpr int kBarButtonLeft = 5;
constexpr int kBarButtonWidth = 90;
constexpr int kBarButtonHeight = 29;
constexpr int kBarButtonTops[] = {18, 54, 88};

const QColor kMenuBarColour(247, 246, 238);

}  // namespace

TMainForm::TMainForm(QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  InstallAccessibleInterfaces();
  BuildMenu();

  auto* client = new QWidget(this);
  auto* clientLayout = new QHBoxLayout(client);
  clientLayout->setContentsMargins(0, 0, 0, 0);
  clientLayout->setSpacing(0);
  BuildButtonBar();
  MainLeftPanel->setParent(client);
  clientLayout->addWidget(MainLeftPanel);
  MainPanel = new QWidget(client);
  MainPanel->setObjectName(QStringLiteral("MainPanel"));
  auto* pageLayout = new QVBoxLayout(MainPanel);
  pageLayout->setContentsMargins(0, 0, 0, 0);
  clientLayout->addWidget(MainPanel, 1);
  setCentralWidget(client);
  ApplyColours();

  resize(OpeningSize());
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    setGeometry(
        QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(), screen->availableGeometry()));
  }

  FormCreate();
}

TMainForm::~TMainForm() {
  // Pages go before the button bar they ask about.
  FreeAllWindowsBut(nullptr);
}

void TMainForm::BuildMenu() {
  ActionMainMenuBar1 = new QMenuBar(this);
  ActionMainMenuBar1->setObjectName(QStringLiteral("ActionMainMenuBar1"));
  ActionMainMenuBar1->setMinimumHeight(kMenuBarHeight);
  setMenuBar(ActionMainMenuBar1);

  const auto makeAction = [this](const char* name, const char* text, void (TMainForm::*run)()) {
    auto* action = new QAction(QString::fromLatin1(text), this);
    action->setObjectName(QLatin1String(name));
    connect(action, &QAction::triggered, this, run);
    return action;
  };
  QAction* exitItem = makeAction("actExit", kExitItem, &TMainForm::actExitExecute);
  QAction* aboutItem = makeAction("actAbout", kAboutItem, &TMainForm::actAboutExecute);
  QAction* websiteItem = makeAction("actWebsite", kWebsiteItem, &TMainForm::actWebsiteExecute);

  QMenu* file = ActionMainMenuBar1->addMenu(QString::fromLatin1(kFileMenu));
  file->addAction(exitItem);
  QMenu* help = ActionMainMenuBar1->addMenu(QString::fromLatin1(kHelpMenu));
  help->addAction(aboutItem);
  help->addAction(websiteItem);
}

void TMainForm::BuildButtonBar() {
  MainLeftPanel = new QWidget(this);
  MainLeftPanel->setObjectName(QStringLiteral("MainLeftPanel"));
  MainLeftPanel->setAutoFillBackground(true);

  auto* barLayout = new QVBoxLayout(MainLeftPanel);
  barLayout->setContentsMargins(0, 0, 0, 0);
  barLayout->setSpacing(0);
  auto* buttons = new QWidget(MainLeftPanel);
  auto* column = new QVBoxLayout(buttons);
  column->setContentsMargins(kBarButtonLeft, kBarButtonTops[0],
                             kButtonBarWidth - kBarButtonLeft - kBarButtonWidth, 0);
  column->setSpacing(0);
  barLayout->addWidget(buttons);
  barLayout->addStretch(1);

  // Pictures of our own: the style's first picture parses the icon theme's index,
  // which would hold up every start.
  const auto makeButton = [this, buttons, column](const char* name, const char* caption,
                                                  const char* hint, const char* picture,
                                                  void (TMainForm::*command)(), int index) {
    auto* button = new TPageButton(buttons);
    button->setObjectName(QLatin1String(name));
    button->setText(QString::fromLatin1(caption));
    button->setToolTip(QString::fromLatin1(hint));
    button->setIcon(QIcon(QString::fromLatin1(picture)));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setCheckable(true);
    button->setAutoRaise(true);
    button->setIconSize(QSize(16, 16));
    button->setMinimumSize(kBarButtonWidth, kBarButtonHeight);
    button->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    if (index > 0) {
      column->addSpacing(kBarButtonTops[index] - kBarButtonTops[index - 1] - kBarButtonHeight);
    }
    column->addWidget(button);
    connect(button, &QToolButton::clicked, this, command);
    return button;
  };
  QToolButton* news = makeButton("NewsBtn", kNewsCaption, kNewsHint, ":/buttons/news.png",
                                 &TMainForm::NewsBtnClick, 0);
  QToolButton* singleSearch =
      makeButton("SingleSearchBtn", kSingleSearchCaption, kSingleSearchHint, ":/buttons/check.png",
                 &TMainForm::SingleSearchBtnClick, 1);
  HelpBtn = makeButton("HelpBtn", kHelpCaption, kHelpHint, ":/buttons/help.png",
                       &TMainForm::HelpBtnClick, 2);

  // Exactly one is down; clicking the one that is down keeps it down and still
  // runs its command.
  auto* group = new QButtonGroup(this);
  group->setExclusive(true);
  for (QToolButton* button : {news, singleSearch, HelpBtn}) {
    group->addButton(button);
  }
  news->setChecked(true);

  auto* version = new QLabel(QStringLiteral(SOLVARA_VERSION_TEXT), MainLeftPanel);
  version->setObjectName(QStringLiteral("VersionPanel"));
  version->setMinimumHeight(kVersionPanelHeight);
  version->setAlignment(Qt::AlignCenter);
  barLayout->addWidget(version);
  // As wide as designed, or as the buttons and the version need at a larger font.
  MainLeftPanel->setFixedWidth(std::max(kButtonBarWidth, MainLeftPanel->sizeHint().width()));
}

void TMainForm::ApplyColours() {
  const QPalette colours = palette();
  // The menu bar is flat: in the colour of the old flat menus on a light desktop, in
  // the window's own colour on a dark one.
  const QColor window = colours.color(QPalette::Window);
  const QColor menuBar = IsLight(window) ? kMenuBarColour : window;
  ActionMainMenuBar1->setStyleSheet(
      QStringLiteral("QMenuBar { background: %1; color: %2; }"
                     "QMenuBar::item { background: transparent; padding: 3px 7px; }"
                     "QMenuBar::item:selected, QMenuBar::item:pressed {"
                     " background: %1; border: 1px solid palette(highlight); }")
          .arg(menuBar.name(), LegibleOn({menuBar}, colours.color(QPalette::WindowText)).name()));

  // The button bar in the colours of an inactive title bar: a quiet tint of the
  // highlight, and text muted towards the bar's own colour as far as legibility lets.
  const QColor tint = colours.color(QPalette::Inactive, QPalette::Highlight);
  const QColor base = colours.color(QPalette::Inactive, QPalette::Window);
  const auto mix = [](int a, int b) { return (a * 35 + b * 65) / 100; };
  const QColor bar(mix(tint.red(), base.red()), mix(tint.green(), base.green()),
                   mix(tint.blue(), base.blue()));
  QPalette barColours = colours;
  barColours.setColor(QPalette::Window, bar);
  barColours.setColor(QPalette::WindowText, LegibleOn({bar}, base.lighter(105)));
  // A button that is down is drawn on the button colour, one that is up on the bar.
  barColours.setColor(QPalette::ButtonText, LegibleOn({bar, colours.color(QPalette::Button)},
                                                      colours.color(QPalette::ButtonText)));
  MainLeftPanel->setPalette(barColours);
}

QSize TMainForm::FittingSize(const std::function<bool(QSize)>& pageFits) const {
  const int bar = MainLeftPanel->width();
  const int menu =
      std::max(ActionMainMenuBar1->minimumHeight(), ActionMainMenuBar1->sizeHint().height());
  return InProportion({kClientWidth, kClientHeight}, [&](QSize client) {
    const QSize page = client - QSize(bar, menu);
    return HasRoom(*MainLeftPanel, {bar, page.height()}) && pageFits(page);
  });
}

QSize TMainForm::OpeningSize() const {
  // The questionnaire's tab strip is the widest thing a page holds. Building the whole
  // questionnaire here would cost the start a good part of its time; the page itself is
  // measured when it is first shown (GrowToFit).
  const std::unique_ptr<QTabBar> strip(NewTabStrip(nullptr));
  strip->ensurePolished();
  return FittingSize([&strip](QSize page) {
    return HasRoom(*strip, {page.width(), strip->sizeHint().height()});
  });
}

void TMainForm::GrowToFit(const QWidget& page) {
  const QSize fitting = FittingSize([&page](QSize room) { return HasRoom(page, room); });
  if (fitting.boundedTo(size()) != fitting) {
    resize(size().expandedTo(fitting));
  }
}

void TMainForm::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::PaletteChange) {
    ApplyColours();
  }
}

void TMainForm::FormCreate() {
  NewsBtnClick();
  setWindowTitle(QString::fromLatin1(kApplicationTitle));
}

QString TMainForm::HelpFilePath(const QString& programFolder) {
  QString folder = programFolder;
  if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/'))) {
    folder += QLatin1Char('/');
  }
  return folder + QLatin1String(kHelpFileName);
}

void TMainForm::FreeAllWindowsBut(QWidget* keep) {
  // The reference is cleared before the page goes, and the old page goes (and
  // takes its right-click filter with it) before a new one is made.
  if (NewsForm && NewsForm.data() != keep) {
    TNewsForm* page = NewsForm.data();
    NewsForm = nullptr;
    delete page;
  }
  if (SolvaraForm && SolvaraForm.data() != keep) {
    TSolvaraForm* page = SolvaraForm.data();
    SolvaraForm = nullptr;
    delete page;
  }
}

void TMainForm::HostPage(QWidget* page) {
  MainPanel->layout()->addWidget(page);
  page->show();
}

void TMainForm::ShowNewsForm() {
  FreeAllWindowsBut(NewsForm.data());
  if (!NewsForm) {
    // Asked at every completion; the guard keeps a page that outlives the bar safe.
    QPointer<QToolButton> help(HelpBtn);
    NewsForm = new TNewsForm([help] { return help && help->isChecked(); }, MainPanel);
    HostPage(NewsForm.data());
  }
  NewsForm->show();
}

void TMainForm::NewsBtnClick() {
  ShowNewsForm();
  // The view is named after what it shows, as the bar names it.
  NewsForm->Navigate(TNewsForm::NewsAddress(), QString::fromLatin1(kNewsCaption).trimmed());
}

void TMainForm::HelpBtnClick() {
  ShowNewsForm();
  NewsForm->Navigate(HelpFilePath(), QString::fromLatin1(kHelpCaption).trimmed());
}

void TMainForm::SingleSearchBtnClick() {
  FreeAllWindowsBut(SolvaraForm.data());
  if (!SolvaraForm) {
    SolvaraForm = new TSolvaraForm(MainPanel);
    HostPage(SolvaraForm.data());
    GrowToFit(*SolvaraForm);
  }
  SolvaraForm->show();
}

void TMainForm::actExitExecute() {
  close();
}

void TMainForm::actAboutExecute() {
  // The box is modal, but a command can still arrive from inside its event loop
  // (a timer, a second shortcut): one box at a time.
  if (aboutfrm) {
    aboutfrm->raise();
    aboutfrm->activateWindow();
    return;
  }
  QPointer<Taboutfrm> box = new Taboutfrm(this);
  aboutfrm = box;
  box->exec();
  // Null if the box went with this window while it was open.
  delete box;
}

void TMainForm::actWebsiteExecute() {
  ShellOpen(HomePageAddress(), this);
}

}  // namespace solvara
