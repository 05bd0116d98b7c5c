// A label that reads as a link, for the About box's web and e-mail addresses.
#pragma once

#include <QLabel>

namespace solvara {

// A label that reads as a link: highlight colour, hand cursor, a signal on click, and
// on Enter or Space where the keyboard has put the focus.
class TLinkLabel : public QLabel {
  Q_OBJECT

 public:
  explicit TLinkLabel(QWidget* parent = nullptr);

  // Takes the box's palette, with the text in the link colour legible on it.
  void SetColours(const QPalette& colours);

 signals:
  void Click();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace solvara
