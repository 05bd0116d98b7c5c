#include "platform/LinkLabel.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

#include "platform/ColoursU.h"

namespace solvara {

TLinkLabel::TLinkLabel(QWidget* parent) : QLabel(parent) {
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::StrongFocus);
}

void TLinkLabel::SetColours(const QPalette& colours) {
  // The highlight colour, darkened or lightened as far as it takes to read on the box.
  QPalette own = colours;
  own.setColor(QPalette::WindowText,
               LegibleOn({colours.color(QPalette::Window)}, colours.color(QPalette::Highlight)));
  setPalette(own);
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
    emit Click();
  }
}

void TLinkLabel::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
      if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        emit Click();
        return;
      }
      break;
    default:
      break;
  }
  QLabel::keyPressEvent(event);
}

// A label draws no focus of its own; the keyboard's place must show.
void TLinkLabel::paintEvent(QPaintEvent* event) {
  QLabel::paintEvent(event);
  if (hasFocus()) {
    QStylePainter painter(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.backgroundColor = palette().color(QPalette::Window);
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
  }
}

}  // namespace solvara
