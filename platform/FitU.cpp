#include "platform/FitU.h"

#include <QWidget>

namespace solvara {

bool HasRoom(const QWidget& widget, QSize size) {
  const QSize least = widget.minimumSizeHint().expandedTo(widget.minimumSize());
  if (least.boundedTo(size) != least) {
    return false;
  }
  return !widget.hasHeightForWidth() || widget.heightForWidth(size.width()) <= size.height();
}

QSize InProportion(QSize designed, const std::function<bool(QSize)>& fits) {
  const auto at = [designed](int width) {
    // Rounded up, so that the height never falls short of the proportion.
    return QSize(width, (width * designed.height() + designed.width() - 1) / designed.width());
  };
  if (designed.isEmpty() || fits(designed)) {
    return designed;
  }
  // Fits fails at low and holds at high, if anywhere.
  int low = designed.width();
  int high = 4 * designed.width();
  if (!fits(at(high))) {
    return at(high);
  }
  while (high - low > 1) {
    const int middle = low + (high - low) / 2;
    (fits(at(middle)) ? high : low) = middle;
  }
  return at(high);
}

}  // namespace solvara
