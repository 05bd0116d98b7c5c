// Window sizes that follow the desktop's font: a window opens at its designed size where
// its controls fit there, and otherwise at the smallest size in the same proportions at
// which they do.
#pragma once

#include <QSize>
#include <functional>

class QWidget;

namespace solvara {

// Whether a widget of that size gives its layout the room it needs: at least its least
// size and, at that width, the height its wrapping texts take.
bool HasRoom(const QWidget& widget, QSize size);

// The smallest size with the proportions of designed, and no smaller than it, at which
// fits holds (to a pixel); fits must not turn false as the size grows. Where nothing up
// to four times the designed size fits, that size.
QSize InProportion(QSize designed, const std::function<bool(QSize)>& fits);

}  // namespace solvara
