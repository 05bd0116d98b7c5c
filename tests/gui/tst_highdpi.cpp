// The windows at 200% scaling: the main window, every page of the questionnaire and
// the About box keep their layout, with no label or button squeezed below what its
// text needs and no control sticking out of its parent. The grabs are left as PNGs
// in highdpi/ beside this test program, for a look by eye.
#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionToolButton>
#include <QTabBar>
#include <QToolButton>
#include <QtTest>

#include "questionnaire/frmSolvara1.h"
#include "shell/BrowserU.h"
#include "shell/CodePageU.h"
#include "shell/FormU.h"
#include "shell/HomePage.h"
#include "shell/MessageBoxes.h"
#include "shell/ShellEx.h"
#include "shell/aboutform.h"
#include "shell/frmNews.h"
#include "tests/gui/support/LocalHttpServer.h"
#include "tests/gui/support/Watchdog.h"

using namespace solvara;

namespace {

constexpr double kScale = 2.0;

QString Describe(const QWidget* w) {
  QString name = w->objectName();
  if (name.isEmpty()) {
    if (auto* label = qobject_cast<const QLabel*>(w)) {
      name = '"' + label->text().left(30) + '"';
    } else if (auto* button = qobject_cast<const QAbstractButton*>(w)) {
      name = '"' + button->text().left(30) + '"';
    }
  }
  return QString::fromLatin1(w->metaObject()->className()) + ' ' + name;
}

QString SizeText(const QSize& size) {
  return QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
}

// Scrolled content may be larger than its viewport by design.
bool InsideScrollArea(const QWidget* w, const QWidget* top) {
  for (const QWidget* up = w->parentWidget(); up != nullptr && up != top; up = up->parentWidget()) {
    if (qobject_cast<const QAbstractScrollArea*>(up) != nullptr) {
      return true;
    }
  }
  return false;
}

// Whether a control has room for all it shows; the text says what is missing.
// Buttons are measured the way the style draws them: their visible content (text
// without the blanks at either end, and the icon) against the rectangle the style
// lays the content out in. Their size hints would add the style's taste for wide
// buttons, which is no clipping. Other controls need their minimum size hint.
QString Squeezed(QWidget* w) {
  QSize need;
  QSize room = w->size();
  auto* button = qobject_cast<QAbstractButton*>(w);
  auto* push = qobject_cast<QPushButton*>(w);
  auto* tool = qobject_cast<QToolButton*>(w);
  if (auto* label = qobject_cast<QLabel*>(w)) {
    if (label->text().trimmed().isEmpty() && label->pixmap().isNull()) {
      return {};
    }
    need = label->minimumSizeHint();
    if (label->wordWrap()) {
      need.setHeight(qMax(need.height(), label->heightForWidth(label->width())));
    }
  } else if (push != nullptr || tool != nullptr) {
    const QString text = button->text().trimmed();
    if (text.isEmpty() && button->icon().isNull()) {
      return {};
    }
    need = text.isEmpty() ? QSize() : button->fontMetrics().size(Qt::TextShowMnemonic, text);
    if (!button->icon().isNull()) {
      const QSize icon = button->iconSize();
      need = QSize(need.width() + icon.width() + (text.isEmpty() ? 0 : 4),
                   qMax(need.height(), icon.height()));
    }
    QStyle* style = button->style();
    if (push != nullptr) {
      QStyleOptionButton option;
      option.initFrom(push);
      room = style->subElementRect(QStyle::SE_PushButtonContents, &option, push).size();
    } else {
      QStyleOptionToolButton option;
      option.initFrom(tool);
      option.subControls = QStyle::SC_ToolButton;
      const int frame = style->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, tool);
      room = style->subControlRect(QStyle::CC_ToolButton, &option, QStyle::SC_ToolButton, tool)
                 .adjusted(frame, frame, -frame, -frame)
                 .size();
    }
  } else if (button != nullptr || qobject_cast<QLineEdit*>(w) != nullptr ||
             qobject_cast<QSlider*>(w) != nullptr) {
    need = w->minimumSizeHint();  // radio buttons, check boxes, edit boxes, sliders
  } else {
    return {};
  }
  if (room.width() >= need.width() && room.height() >= need.height()) {
    return {};
  }
  return QStringLiteral("%1 has room for %2 but needs %3")
      .arg(Describe(w), SizeText(room), SizeText(need));
}

// Every way the layout of a window's visible controls has come apart.
QStringList LayoutFaults(QWidget* top) {
  QStringList faults;
  const auto widgets = top->findChildren<QWidget*>();
  for (QWidget* w : widgets) {
    if (w->isWindow() || !w->isVisibleTo(top) || InsideScrollArea(w, top)) {
      continue;
    }
    const QWidget* parent = w->parentWidget();
    if (!parent->rect().contains(w->geometry())) {
      faults << QStringLiteral("%1 at %2,%3 %4 sticks out of %5 (%6)")
                    .arg(Describe(w))
                    .arg(w->x())
                    .arg(w->y())
                    .arg(SizeText(w->size()), Describe(parent), SizeText(parent->size()));
    }
    const QString squeezed = Squeezed(w);
    if (!squeezed.isEmpty()) {
      faults << squeezed;
    }
    if (auto* tabs = qobject_cast<QTabBar*>(w)) {
      for (int i = 0; i < tabs->count(); ++i) {
        if (!tabs->rect().contains(tabs->tabRect(i))) {
          faults
              << QStringLiteral("tab \"%1\" of %2 does not fit").arg(tabs->tabText(i), Describe(w));
        }
      }
    }
  }
  return faults;
}

QString GrabFolder() {
  const QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/highdpi");
  QDir().mkpath(folder);
  return folder;
}

// Grabs a window at its full device resolution and leaves the picture for a look.
void CheckGrab(QWidget* window, const QString& name) {
  const QPixmap shot = window->grab();
  QCOMPARE(shot.devicePixelRatio(), kScale);
  QCOMPARE(shot.deviceIndependentSize().toSize(), window->size());
  QCOMPARE(shot.size(), window->size() * kScale);
  const QString file = GrabFolder() + '/' + name + QStringLiteral(".png");
  QVERIFY2(shot.save(file), qPrintable(file));
}

void Settle() {
  QCoreApplication::processEvents();
  QTest::qWait(20);
}

}  // namespace

class TestHighDpi : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY(server_.Start());
    server_.SetResponse(QStringLiteral("/news100/") + AppendLanguageCode(QStringLiteral("news")) +
                            QStringLiteral(".htm"),
                        200, "<h1>News</h1><p>Rates are steady this month.</p>");
    SetHomePageAddressForTesting(server_.Url(QString()).toString());
    SetMessagePresenter([this](QWidget*, BoxKind, const QString& text) { boxes_ << text; });
    SetShellLauncher([](const QString&) { return int(kShellSuccess); });
    QCOMPARE(qApp->devicePixelRatio(), kScale);
  }
  void cleanupTestCase() {
    SetMessagePresenter({});
    SetShellLauncher({});
    SetHomePageAddressForTesting(QString());
  }

  void init() {
    boxes_.clear();
    window_ = std::make_unique<TMainForm>();
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    QCOMPARE(window_->devicePixelRatio(), kScale);
  }
  void cleanup() {
    window_.reset();
    QVERIFY2(boxes_.isEmpty(), qPrintable(boxes_.join(QStringLiteral(" | "))));
  }

  // The fault finder itself: a squeezed label, a squeezed button and a button
  // outside its parent, beside controls that fit.
  void faultFinderSeesClippedControls() {
    QWidget form;
    form.resize(200, 100);
    auto* label = new QLabel(QStringLiteral("A caption far too long for its box"), &form);
    label->setGeometry(10, 10, 40, 8);
    auto* button = new QPushButton(QStringLiteral("OK"), &form);
    button->setGeometry(170, 80, 75, 25);
    auto* squeezed = new QPushButton(QStringLiteral("A much longer caption"), &form);
    squeezed->setGeometry(10, 60, 60, 25);
    auto* roomy = new QPushButton(QStringLiteral("Go"), &form);
    roomy->setGeometry(100, 60, 60, 25);
    auto* fits = new QLabel(QStringLiteral("Fits"), &form);
    fits->move(10, 40);
    fits->adjustSize();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QStringList faults = LayoutFaults(&form);
    QCOMPARE(faults.size(), 3);
    QVERIFY(faults[0].contains(QStringLiteral("far too long")));
    QVERIFY(faults[1].contains(QStringLiteral("sticks out")));
    QVERIFY(faults[2].contains(QStringLiteral("much longer")));
  }

  void mainWindowWithNewsAndHelp() {
    QTRY_VERIFY(window_->NewsForm && window_->NewsForm->WebBrowser->ReadyState() == 4);
    Settle();
    CheckGrab(window_.get(), QStringLiteral("main-news"));
    QStringList faults = LayoutFaults(window_.get());
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));

    window_->HelpBtn->click();
    QTRY_VERIFY(window_->NewsForm->WebBrowser->ReadyState() == 4);
    Settle();
    CheckGrab(window_.get(), QStringLiteral("main-help"));
    faults = LayoutFaults(window_.get());
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
  }

  void everyQuestionnairePage() {
    window_->SingleSearchBtn->click();
    QVERIFY(window_->SolvaraForm);
    TSolvaraForm& form = *window_->SolvaraForm;
    // An occupation with a job, so that the years-in-job question is in play too.
    form.lbOccupation->setCurrentRow(3);
    form.lbOccupationClick();
    for (int page = TSolvaraForm::kIntroduction; page <= TSolvaraForm::kResult; ++page) {
      form.CreditTabs->setCurrentIndex(page);
      if (page == TSolvaraForm::kResult) {
        QTRY_VERIFY(form.WebReport->ReadyState() == 4);
      }
      Settle();
      CheckGrab(window_.get(), QStringLiteral("questionnaire-page-%1").arg(page));
      const QStringList faults = LayoutFaults(window_.get());
      QVERIFY2(faults.isEmpty(),
               qPrintable(QStringLiteral("page %1:\n").arg(page) + faults.join('\n')));
    }
  }

  void aboutBox() {
    // Shown without its modal loop, so that nothing waits on it.
    Taboutfrm about(window_.get());
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QCOMPARE(about.devicePixelRatio(), kScale);
    Settle();
    CheckGrab(&about, QStringLiteral("about"));
    const QStringList faults = LayoutFaults(&about);
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
    about.close();
  }

 private:
  LocalHttpServer server_;
  std::unique_ptr<TMainForm> window_;
  QStringList boxes_;
  Watchdog watchdog_{"tst_highdpi", std::chrono::seconds(100)};
};

int main(int argc, char** argv) {
  // Must be in place before the application object reads it.
  qputenv("QT_SCALE_FACTOR", QByteArray::number(kScale));
  QApplication app(argc, argv);
  TestHighDpi test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_highdpi.moc"
