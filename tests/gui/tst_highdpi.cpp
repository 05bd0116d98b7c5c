// At 200% scaling and at desktop fonts of 9, 10 (GTK's default) and 11 points (GNOME's),
// the main window (news and help), every questionnaire page and the About box keep their
// layout: no control gets less room than it needs or sticks out of its parent, no tab is
// cut off and no scroll arrow shows, no question takes more than two lines. Each window
// opens at its designed size where that is enough, otherwise at the smallest size in its
// proportions. The grabs go to highdpi/ of the build folder.
#include <QtTest>
#include <QtWidgets>

#include "platform/HomePage.h"
#include "platform/MessageBoxes.h"
#include "questionnaire/form/frmSolvara1.h"
#include "shell/FormU.h"
#include "shell/aboutform.h"
#include "shell/browser/BrowserU.h"
#include "shell/frmNews.h"
#include "tests/gui/support/Controls.h"
#include "tests/gui/support/LocalHttpServer.h"

using namespace solvara;

static const bool kScaled = qputenv("QT_SCALE_FACTOR", "2");  // before the application reads it

// Push and tool buttons need only their trimmed text and icon inside the frame: their size
// hints add the style's taste for wide buttons, which clips nothing.
static QStringList LayoutFaults(QWidget* top) {
  QStringList faults;
  for (QWidget* w : top->findChildren<QWidget*>()) {
    if (w->isWindow() || !w->isVisibleTo(top)) {
      continue;
    }
    QSize need = w->inherits("QTabBar") ? w->sizeHint() : w->minimumSizeHint(), room = w->size();
    if (w->hasHeightForWidth()) {
      need.setHeight(qMax(need.height(), w->heightForWidth(w->width())));
    }
    if (auto* button = qobject_cast<QAbstractButton*>(w);
        w->inherits("QPushButton") || w->inherits("QToolButton")) {
      const QSize icon = button->icon().isNull() ? QSize(0, 0) : button->iconSize() + QSize(4, 0);
      const QSize text = button->fontMetrics().size(Qt::TextShowMnemonic, button->text().trimmed());
      need = QSize(text.width() + icon.width(), qMax(text.height(), icon.height()));
      room -= 2 * QSize(1, 1) * w->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, w);
    }
    const QString name = w->metaObject()->className() + (' ' + w->property("text").toString());
    const bool inside = w->parentWidget()->rect().contains(w->geometry());
    if (!inside || need.boundedTo(room) != need) {
      faults << name + (inside ? " squeezed" : " sticks out");
    }
    if (auto* tabs = qobject_cast<QTabBar*>(w)) {
      for (int i = 0; i < tabs->count(); ++i) {
        if (!tabs->rect().contains(tabs->tabRect(i))) {
          faults << name + " cuts " + tabs->tabText(i);
        }
      }
      for (const QToolButton* arrow : tabs->findChildren<QToolButton*>()) {
        if (arrow->isVisibleTo(tabs)) {
          faults << name + " shows a scroll arrow";
        }
      }
    }
    auto* question = qobject_cast<QLabel*>(w);  // a wrapping text that asks
    if (question && question->wordWrap() && question->text().endsWith('?') &&
        question->heightForWidth(w->width()) > 2 * question->heightForWidth(QWIDGETSIZE_MAX)) {
      faults << name + " takes more than two lines";
    }
  }
  return faults;
}

// The About box places its controls itself: none stands over the one above it.
static QStringList AboutFaults(Taboutfrm& box) {
  QStringList faults = LayoutFaults(&box);
  for (const char* column : {"Image1 Label4 lblVersion Label3 Button1", "lblWebsite lblEmail"}) {
    const QStringList names = QString(column).split(' ');  // each above the next
    for (qsizetype i = 0; i + 1 < names.size(); ++i) {
      const QWidget* upper = Child<QWidget>(&box, qPrintable(names[i]));
      const QWidget* lower = Child<QWidget>(&box, qPrintable(names[i + 1]));
      if (upper->geometry().bottom() >= lower->y()) {
        faults << lower->property("text").toString() + " overlaps the control above";
      }
    }
  }
  return faults;
}

static void CheckWindow(QWidget* window, const QString& name, const QStringList& faults) {
  const QPixmap shot = window->grab();
  QCOMPARE(shot.size(), window->size() * 2);
  const QString folder = qEnvironmentVariable("SOLVARA_BUILD_DIR", ".") + "/highdpi/";
  QVERIFY(QDir().mkpath(folder) && shot.save(folder + name + ".png"));
  QCOMPARE(name + ": " + faults.join("; "), name + ": ");
}

// Opened at its designed size where that is enough, otherwise at the smallest size in its
// proportions (to a pixel): 2 % less, but not less than designed, leaves something cut.
template <typename Faults>
static void CheckOpeningSize(QWidget* window, QSize designed, Faults faults) {
  const QSize opened = window->size();
  QVERIFY(opened.width() >= designed.width() &&
          qAbs(opened.height() * designed.width() - opened.width() * designed.height()) <=
              designed.width());
  const int width = qMax(designed.width(), opened.width() * 98 / 100);
  window->setFixedSize(width, width * designed.height() / designed.width());
  QVERIFY2(opened == designed || !faults().isEmpty(), "it would fit smaller");
  window->setFixedSize(opened);
}

class TestHighDpi : public QObject {
  Q_OBJECT

 private slots:
  void everyWindow_data() {
    QTest::addColumn<QFont>("font");
    QTest::newRow("sans9") << QFont("Sans Serif", 9);  // Qt's own default font
    QTest::newRow("sans10") << QFont("Sans", 10);      // GTK's default font
    QTest::newRow("sans11") << QFont("Sans", 11);      // GNOME's size
  }

  void everyWindow() {
    QFETCH(QFont, font);
    QApplication::setFont(font);
    const QString row = QTest::currentDataTag() + QStringLiteral("-");
    LocalHttpServer server;
    QVERIFY(kScaled && server.Start());
    SetHomePageAddressForTesting(server.Url(QString()).toString());
    server.SetResponse(QUrl(TNewsForm::NewsAddress()).path(), 200, "<h1>News</h1><p>Steady</p>");
    SetMessagePresenter([](QWidget*, BoxKind, const QString& text) { QFAIL(qPrintable(text)); });
    TMainForm window;
    window.show();
    auto* news = window.findChild<TNewsForm*>();
    QTRY_COMPARE(news->State(), TNewsForm::TNewsState::Accepted);
    CheckWindow(&window, row + "main-news", LayoutFaults(&window));
    Child<QToolButton>(&window, "HelpBtn")->click();
    QTRY_COMPARE(Child<TWebBrowser>(news, "WebBrowser")->ReadyState(),
                 TWebBrowser::kReadyStateComplete);
    CheckWindow(&window, row + "main-help", LayoutFaults(&window));
    // Opened large enough for the questionnaire; made smaller, its first showing makes the
    // window so again.
    const QSize opened = window.size();
    window.resize(640, 394);
    Child<QToolButton>(&window, "SingleSearchBtn")->click();
    QCOMPARE(window.size(), opened);
    auto* tabs = Child<QTabBar>(&window, "CreditTabs");
    for (int page = TSolvaraForm::kIntroduction; page <= TSolvaraForm::kResult; ++page) {
      tabs->setCurrentIndex(page);
      CheckWindow(&window, row + QStringLiteral("questionnaire-page-%1").arg(page),
                  LayoutFaults(&window));
    }
    CheckOpeningSize(&window, {640, 394}, [&] {
      QStringList faults;
      for (int page = TSolvaraForm::kIntroduction; page <= TSolvaraForm::kResult; ++page) {
        faults << (tabs->setCurrentIndex(page), LayoutFaults(&window));
      }
      return faults;
    });
    Taboutfrm about(&window);  // without its modal loop, so that nothing waits on it
    about.show();
    CheckWindow(&about, row + "about", AboutFaults(about));
    CheckOpeningSize(&about, {348, 267}, [&] { return AboutFaults(about); });
    about.setFixedSize(about.size() / 2);  // the checks do see a box too small for itself
    QVERIFY(!LayoutFaults(&about).isEmpty());
  }
};

QTEST_MAIN(TestHighDpi)
#include "tst_highdpi.moc"
