// At 200% scaling the main window (news and help), every questionnaire page and the
// About box keep their layout: no control gets less room than it needs, no tab is cut
// off and none sticks out of its parent. The grabs go to highdpi/ of the build folder.
#include <QtTest>
#include <QtWidgets>

#include "questionnaire/frmSolvara1.h"
#include "shell/BrowserU.h"
#include "shell/FormU.h"
#include "shell/HomePage.h"
#include "shell/MessageBoxes.h"
#include "shell/aboutform.h"
#include "shell/frmNews.h"
#include "tests/gui/support/LocalHttpServer.h"

using namespace solvara;

static const bool kScaled = qputenv("QT_SCALE_FACTOR", "2");  // before the application reads it

// Push and tool buttons need only their trimmed text and icon inside the frame: their size
// hints add the style's taste for wide buttons, which clips nothing.
static QStringList LayoutFaults(QWidget* top) {
  QStringList faults;
  for (QWidget* w : top->findChildren<QWidget*>()) {
    if (w->isWindow() || !w->isVisibleTo(top))
      continue;
    QSize need = w->inherits("QTabBar") ? w->sizeHint() : w->minimumSizeHint(), room = w->size();
    if (w->hasHeightForWidth())
      need.setHeight(qMax(need.height(), w->heightForWidth(w->width())));
    if (auto* button = qobject_cast<QAbstractButton*>(w);
        w->inherits("QPushButton") || w->inherits("QToolButton")) {
      const QSize icon = button->icon().isNull() ? QSize(0, 0) : button->iconSize() + QSize(4, 0);
      const QSize text = button->fontMetrics().size(Qt::TextShowMnemonic, button->text().trimmed());
      need = QSize(text.width() + icon.width(), qMax(text.height(), icon.height()));
      room -= 2 * QSize(1, 1) * w->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, w);
    }
    const bool inside = w->parentWidget()->rect().contains(w->geometry());
    if (!inside || need.boundedTo(room) != need)
      faults << w->metaObject()->className() + (' ' + w->property("text").toString()) +
                    (inside ? " squeezed" : " sticks out");
  }
  return faults;
}

static void CheckWindow(QWidget* window, const QString& name) {
  const QPixmap shot = window->grab();
  QCOMPARE(shot.size(), window->size() * 2);
  const QString folder = qEnvironmentVariable("SOLVARA_BUILD_DIR", ".") + "/highdpi/";
  QVERIFY(QDir().mkpath(folder) && shot.save(folder + name + ".png"));
  QCOMPARE(name + ": " + LayoutFaults(window).join("; "), name + ": ");
}

class TestHighDpi : public QObject {
  Q_OBJECT

 private slots:
  void everyWindowAtDoubleScale() {
    QWidget form;  // first a window with faults: the finder must see them
    (new QLabel("Caption", &form))->setGeometry(0, 0, 20, 8);
    (new QPushButton("Go", &form))->setGeometry(-10, 80, 100, 40);
    (new QPushButton("&Cancel", &form))->setGeometry(0, 50, 30, 20);
    form.show();
    QCOMPARE(LayoutFaults(&form).join("; "),
             "QLabel Caption squeezed; QPushButton Go sticks out; QPushButton &Cancel squeezed");

    LocalHttpServer server;
    QVERIFY(kScaled && server.Start());
    SetHomePageAddressForTesting(server.Url(QString()).toString());
    server.SetResponse(QUrl(TNewsForm::NewsAddress()).path(), 200, "<h1>News</h1><p>Steady</p>");
    SetMessagePresenter([](QWidget*, BoxKind, const QString& text) { QFAIL(qPrintable(text)); });
    TMainForm window;
    window.show();
    QTRY_COMPARE(window.NewsForm->State(), TNewsForm::TNewsState::Accepted);
    CheckWindow(&window, "main-news");
    window.HelpBtn->click();
    QTRY_COMPARE(window.NewsForm->WebBrowser->ReadyState(), TWebBrowser::kReadyStateComplete);
    CheckWindow(&window, "main-help");
    window.SingleSearchBtn->click();
    for (int page = TSolvaraForm::kIntroduction; page <= TSolvaraForm::kResult; ++page) {
      window.SolvaraForm->findChild<QTabBar*>("CreditTabs")->setCurrentIndex(page);
      CheckWindow(&window, QStringLiteral("questionnaire-page-%1").arg(page));
    }
    Taboutfrm about(&window);  // without its modal loop, so that nothing waits on it
    about.show();
    CheckWindow(&about, "about");
  }
};

QTEST_MAIN(TestHighDpi)
#include "tst_highdpi.moc"
