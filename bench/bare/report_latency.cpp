// Times the questionnaire's Finish button the way a user meets it: from the mouse
// click to the report painted in WebReport. Each round goes back to the last page
// of questions, clicks "Finish", and stops the clock once the click has returned, the
// browser reports its document complete, and the report view has been painted and
// flushed to the window.
//
//   solvara_report_latency [ROUNDS]     prints: rounds=N median_ms=… p90_ms=… min_ms=… max_ms=…
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QTextBrowser>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/MessageBoxes.h"
#include "questionnaire/form/frmSolvara1.h"
#include "shell/browser/BrowserU.h"

namespace {

// Notices when the report view is painted.
class PaintProbe : public QObject {
 public:
  using QObject::QObject;
  bool painted = false;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      painted = true;
    }
    return QObject::eventFilter(watched, event);
  }
};

double Percentile(std::vector<double> values, double share) {
  std::sort(values.begin(), values.end());
  const auto at = static_cast<size_t>(share * static_cast<double>(values.size() - 1) + 0.5);
  return values[at];
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;

  int boxes = 0;
  solvara::SetMessagePresenter([&boxes](QWidget*, solvara::BoxKind, const QString&) { ++boxes; });

  solvara::TSolvaraForm form;
  form.resize(543, 370);
  form.show();
  if (!QTest::qWaitForWindowExposed(&form)) {
    std::fprintf(stderr, "report_latency: the questionnaire never showed\n");
    return 1;
  }
  // A salary and an occupation, so that the report has its limit and reasons.
  form.findChild<QLineEdit*>("edSalary")->setText("30000");
  form.findChild<QListWidget*>("lbOccupation")->setCurrentRow(3);
  auto* report = form.findChild<solvara::TWebBrowser*>("WebReport");
  auto* tabs = form.findChild<QTabBar*>("CreditTabs");
  auto* finish = form.findChild<QPushButton*>("btnFinish");

  PaintProbe probe;
  report->View()->viewport()->installEventFilter(&probe);
  int shown = 0;
  QObject::connect(&form, &solvara::TSolvaraForm::ReportShown, [&shown] { ++shown; });

  std::vector<double> times;
  QElapsedTimer clock;
  for (int round = 0; round < rounds; ++round) {
    tabs->setCurrentIndex(solvara::TSolvaraForm::kMiscellaneous);
    QTest::qWait(5);  // let the page change settle outside the measurement

    shown = 0;
    probe.painted = false;
    clock.start();
    QTest::mouseClick(finish, Qt::LeftButton);
    // Paints that happened inside the click showed the blank page, never the report.
    probe.painted = false;
    while (!(probe.painted && report->ReadyState() == 4)) {
      if (clock.elapsed() > 5000) {
        std::fprintf(stderr, "report_latency: no report painted within 5 s (round %d)\n", round);
        return 1;
      }
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    times.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    if (shown == 0) {
      std::fprintf(stderr, "report_latency: Finish showed no report (round %d)\n", round);
      return 1;
    }
  }
  if (boxes != 0) {
    std::fprintf(stderr, "report_latency: %d message box(es) came up while finishing\n", boxes);
    return 1;
  }
  std::printf("rounds=%d median_ms=%.2f p90_ms=%.2f min_ms=%.2f max_ms=%.2f\n", rounds,
              Percentile(times, 0.5), Percentile(times, 0.9), Percentile(times, 0.0),
              Percentile(times, 1.0));
  return 0;
}
