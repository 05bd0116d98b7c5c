// For each shape of document that Qt's rich-text engine handles slowly, finds the largest
// document of that shape that the browser still agrees to show (within the size bound and
// the layout budget) and times showing it: the bytes handed over, the whole document laid
// out and the view painted. Prints one table. Not part of the test run.
//   solvara_layout_bench [SHAPE...]      (offscreen unless QT_QPA_PLATFORM says otherwise)
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTextBrowser>
#include <QTextDocument>
#include <cstdio>
#include <functional>
#include <vector>

#include "shell/browser/BrowserU.h"
#include "shell/browser/LayoutCost.h"

using namespace solvara;

namespace {

struct Shape {
  const char* name;
  std::function<QByteArray(int)> make;
};

QByteArray Times(const QByteArray& piece, int n) {
  return piece.repeated(n);
}

const std::vector<Shape> kShapes = {
    {"plain words", [](int n) { return Times("news of the day ", n); }},
    {"one unbreakable word", [](int n) { return Times("a", n); }},
    {"paragraphs", [](int n) { return Times("<p>news of the day</p>\n", n); }},
    {"line breaks", [](int n) { return Times("<br>", n); }},
    {"horizontal rules", [](int n) { return Times("<hr>", n); }},
    {"links", [](int n) { return Times("<a href=\"x.htm\">news</a> ", n); }},
    {"nested lists", [](int n) { return Times("<ul><li>x", n); }},
    {"items of one list", [](int n) { return "<ul>" + Times("<li>item", n); }},
    {"nested inline elements", [](int n) { return Times("<b>x", n); }},
    {"nested unknown elements", [](int n) { return Times("<x>", n); }},
    {"stray closing tags, depth 200", [](int n) { return Times("<b>", 200) + Times("</z>", n); }},
    {"nested tables", [](int n) { return Times("<table><tr><td>x", n); }},
    {"text in 3 nested tables",
     [](int n) { return Times("<table><tr><td>", 3) + Times("<p>news of the day</p>\n", n); }},
    {"table rows", [](int n) { return "<table>" + Times("<tr><td>c", n); }},
    {"table cells", [](int n) { return "<table><tr>" + Times("<td>c", n); }},
    {"spanned grid",
     [](int n) {
       return "<table><tr><td colspan=" + QByteArray::number(n) +
              ">x<tr><td rowspan=" + QByteArray::number(n) + ">y</table>";
     }},
    {"pictures in one paragraph", [](int n) { return Times("<img src=\"a.png\"> ", n); }},
    {"floating pictures", [](int n) { return Times("<img src=\"a.png\" align=left>news ", n); }},
    {"style rules x elements",
     [](int n) {
       QByteArray css = "<style>";
       for (int i = 0; i < n; ++i) {
         css += ".c" + QByteArray::number(i) + " p span { color: red }\n";
       }
       return css + "</style>" + Times("<p><span>news</span></p>\n", n);
     }},
    {"descendant rules, depth 50",
     [](int n) {
       return "<style>" + Times("* * * * * * { color: red }\n", n) + "</style>" +
              Times("<div>", 50) + Times("<p>x</p>", n);
     }},
    {"style sheet read again per stray tag",
     [](int n) { return "<style>p { color: red }" + Times("</z>", n) + Times("<p>x</p>", 200); }},
    {"one cluster of marks", [](int n) { return "a" + Times("\xcc\x81", n); }},
    {"clusters of 200 marks", [](int n) { return Times("a" + Times("\xcc\x81", 200) + " ", n); }},
    {"alternating scripts", [](int n) { return Times("a\xd7\x90 ", n); }},
    {"tabs in pre", [](int n) { return "<pre>" + Times("x\t", n) + "</pre>"; }},
    {"lines in pre", [](int n) { return "<pre>" + Times("x\n", n) + "</pre>"; }},
};

// The browser's own decision, made the same way: the reading estimated from the text, the
// layout from the document read apart. Also times the reading alone.
struct Estimate {
  qint64 reading = kLayoutBudget + 1, layout = 0, readingMs = 0;
  bool Fits() const { return reading + layout <= kLayoutBudget; }
};

Estimate EstimateOf(const QByteArray& bytes) {
  Estimate estimate;
  const QString text = QString::fromUtf8(bytes);
  if (bytes.size() > 256 * 1024) {
    return estimate;
  }
  estimate.reading = EstimateReadingCost(text, true);
  if (estimate.reading <= kLayoutBudget) {
    QElapsedTimer timer;
    timer.start();
    QTextDocument document;
    document.setHtml(text);
    estimate.readingMs = timer.elapsed();
    estimate.layout = EstimateLayoutCost(document, kLayoutBudget - estimate.reading);
  }
  return estimate;
}

// The peak resident memory since the last reset, in KiB (the present figure where the
// kernel cannot reset the peak).
long PeakKiB() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) {
    return 0;
  }
  const QByteArray text = status.readAll();
  const qsizetype at = text.indexOf("VmHWM:");
  return at < 0 ? 0 : text.mid(at + 6).simplified().split(' ').value(0).toLong();
}

void ResetPeak() {
  QFile clear(QStringLiteral("/proc/self/clear_refs"));
  if (clear.open(QIODevice::WriteOnly)) {
    clear.write("5");
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication app(argc, argv);
  const QStringList wanted = app.arguments().mid(1);
  std::printf("%-30s %8s %7s %8s %8s %7s %7s %7s\n", "shape", "repeats", "bytes", "reading",
              "layout", "read ms", "show ms", "MiB");
  for (const Shape& shape : kShapes) {
    if (!wanted.isEmpty() && !wanted.contains(QLatin1String(shape.name))) {
      continue;
    }
    int low = 0, high = 1;
    while (EstimateOf(shape.make(high)).Fits() && high < (1 << 24)) {
      low = high;
      high *= 2;
    }
    while (high - low > 1) {
      const int middle = low + (high - low) / 2;
      (EstimateOf(shape.make(middle)).Fits() ? low : high) = middle;
    }
    const QByteArray bytes = shape.make(low);
    TWebBrowser browser;
    browser.resize(538, 380);
    browser.show();
    QCoreApplication::processEvents();
    ResetPeak();
    const long before = PeakKiB();
    QElapsedTimer timer;
    timer.start();
    browser.ShowWebDocument(bytes, QUrl(QStringLiteral("http://news.example/news.htm")));
    browser.View()->document()->size();
    browser.grab();
    const qint64 ms = timer.elapsed();
    const bool shown = browser.Url() != TWebBrowser::kErrorPageAddress;
    const Estimate estimate = EstimateOf(bytes);
    std::printf("%-30s %8d %7lld %8lld %8lld %7lld %7lld %7.1f%s\n", shape.name, low,
                static_cast<long long>(bytes.size()), static_cast<long long>(estimate.reading),
                static_cast<long long>(estimate.layout), static_cast<long long>(estimate.readingMs),
                static_cast<long long>(ms), (PeakKiB() - before) / 1024.0,
                shown ? "" : "  (refused)");
    std::fflush(stdout);
  }
  return 0;
}
