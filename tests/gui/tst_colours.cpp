// Every text the program colours itself, measured in what the windows paint: under a
// light and a dark palette, each reached by a change of palette while they are shown.
#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QStyle>
#include <QToolButton>
#include <QtTest>

#include "platform/ColoursU.h"
#include "platform/MessageBoxes.h"
#include "shell/FormU.h"
#include "shell/aboutform.h"
#include "tests/gui/support/Controls.h"

using namespace solvara;
using namespace Qt::StringLiterals;

namespace {

// A dark palette as Qt derives it from GTK's dark window colour, with GTK's highlight.
QPalette DarkPalette() {
  QPalette dark(QColor(0x35, 0x35, 0x35));
  dark.setColor(QPalette::Highlight, QColor(0x15, 0x53, 0x9e));
  return dark;
}

// A widget that paints a text: its name, the widget, and the text's setter.
struct Text {
  QString what;
  QWidget* widget;
  std::function<void(bool shown)> show;
};
template <typename W>
Text TextOf(const QString& what, W* widget) {
  return {what, widget,
          [widget, text = widget->text()](bool shown) { widget->setText(shown ? text : u" "_s); }};
}

// For each text, the strongest contrast between a pixel of the window with the text and
// the same pixel without it: 0 when nothing was painted.
QList<double> Contrasts(QWidget* window, const QList<Text>& texts) {
  for (const Text& text : texts) {
    text.show(false);
  }
  const QImage without = window->grab().toImage();
  for (const Text& text : texts) {
    text.show(true);
  }
  const QImage with = window->grab().toImage();
  QList<double> contrasts;
  for (const Text& text : texts) {
    const QRect area(text.widget->mapTo(window, QPoint()), text.widget->size());
    double best = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
      for (int x = area.left(); x <= area.right(); ++x) {
        best = std::max(best, with.pixel(x, y) == without.pixel(x, y)
                                  ? 0.0
                                  : ContrastRatio(with.pixel(x, y), without.pixel(x, y)));
      }
    }
    contrasts.append(best);
  }
  return contrasts;
}

}  // namespace

class TestColours : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    SetMessagePresenter([](QWidget*, BoxKind, const QString&) {});
    QCOMPARE(ContrastRatio(Qt::black, Qt::white), 21.0);
  }

  void everyColouredTextIsLegible_data() {
    QTest::addColumn<QPalette>("colours");
    QTest::addColumn<QPalette>("before");
    const QPalette light = QApplication::style()->standardPalette();
    QTest::newRow("light") << light << DarkPalette();
    QTest::newRow("dark") << DarkPalette() << light;
  }
  void everyColouredTextIsLegible() {
    QFETCH(QPalette, colours);
    QFETCH(QPalette, before);
    QApplication::setPalette(before);
    TMainForm window;
    Taboutfrm box(&window);
    window.show();
    box.show();
    QApplication::setPalette(colours);  // handed on to the windows by a posted event
    QTRY_COMPARE(box.palette().color(QPalette::Window), colours.color(QPalette::Window));

    auto* bar = Child<QMenuBar>(&window, "ActionMainMenuBar1");
    QList<std::pair<QAction*, QString>> titles;
    for (QAction* menu : bar->actions()) {
      titles.append({menu, menu->text()});
    }
    Text menus{u"menu bar"_s, bar, [titles](bool shown) {
                 for (const auto& [menu, title] : titles) {
                   menu->setText(shown ? title : u" "_s);
                 }
               }};
    auto* news = Child<QToolButton>(&window, "NewsBtn");
    auto* singleSearch = Child<QToolButton>(&window, "SingleSearchBtn");
    const QList<Text> inWindow = {
        menus, TextOf(u"version panel"_s, Child<QLabel>(&window, "VersionPanel")),
        TextOf(u"button that is down"_s, news), TextOf(u"button that is up"_s, singleSearch)};
    const QList<Text> inBox = {TextOf(u"web link"_s, Child<TLinkLabel>(&box, "lblWebsite")),
                               TextOf(u"e-mail link"_s, Child<TLinkLabel>(&box, "lblEmail"))};
    const QList<double> contrasts = Contrasts(&window, inWindow) + Contrasts(&box, inBox);
    QStringList figures;
    for (qsizetype i = 0; i < contrasts.size(); ++i) {
      figures.append(u"%1 %2:1"_s.arg((inWindow + inBox)[i].what).arg(contrasts[i], 0, 'f', 2));
    }
    qInfo("%s", qPrintable(figures.join(u", "_s)));
    QVERIFY2(*std::min_element(contrasts.begin(), contrasts.end()) >= 4.5,
             qPrintable(figures.join(u", "_s)));
    QVERIFY(news->isChecked() && !singleSearch->isChecked());
  }
};

QTEST_MAIN(TestColours)
#include "tst_colours.moc"
