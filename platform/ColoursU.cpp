#include "platform/ColoursU.h"

#include <algorithm>
#include <cmath>

namespace solvara {

namespace {

// Above the 4.5:1 that text needs, so that the edges of anti-aliased strokes do not
// pull what the eye sees below it.
constexpr double kTextContrast = 5.0;

double Luminance(const QColor& colour) {
  const auto linear = [](double channel) {
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
  };
  const QColor rgb = colour.toRgb();
  return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) + 0.0722 * linear(rgb.blueF());
}

double LeastContrast(std::initializer_list<QColor> backgrounds, const QColor& text) {
  double least = 21.0;
  for (const QColor& background : backgrounds) {
    least = std::min(least, ContrastRatio(background, text));
  }
  return least;
}

QColor Mix(const QColor& from, const QColor& to, double share) {
  const auto channel = [share](double a, double b) { return a + (b - a) * share; };
  return QColor::fromRgbF(float(channel(from.redF(), to.redF())),
                          float(channel(from.greenF(), to.greenF())),
                          float(channel(from.blueF(), to.blueF())));
}

}  // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
  const double la = Luminance(a);
  const double lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor LegibleOn(std::initializer_list<QColor> backgrounds, const QColor& wanted) {
  const QColor ends[] = {Qt::black, Qt::white};
  for (int step = 0; step <= 20; ++step) {
    for (const QColor& end : ends) {
      const QColor candidate = Mix(wanted.toRgb(), end, step / 20.0).toRgb();
      if (LeastContrast(backgrounds, candidate) >= kTextContrast) {
        return candidate;
      }
    }
  }
  // Backgrounds on both sides of the middle: the end that does best on the worst.
  return LeastContrast(backgrounds, ends[0]) >= LeastContrast(backgrounds, ends[1]) ? ends[0]
                                                                                    : ends[1];
}

bool IsLight(const QColor& window) {
  return ContrastRatio(window, Qt::black) >= ContrastRatio(window, Qt::white);
}

}  // namespace solvara
