// The About box: version, web site and support e-mail.
#pragma once

#include <QDialog>
#include <QLabel>

class QPushButton;

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

class Taboutfrm : public QDialog {
  Q_OBJECT

 public:
  explicit Taboutfrm(QWidget* parent = nullptr);

  // Shows a JPEG as the banner; damaged bytes leave the banner empty.
  void SetBanner(const QByteArray& jpeg);

  // "mailto:" + the support address + "?subject=" + the version without blanks.
  static QString SupportMailAddress();

  QLabel* Image1;
  QLabel* Label4;
  QLabel* lblVersion;
  QLabel* Label3;
  TLinkLabel* lblWebsite;
  TLinkLabel* lblEmail;
  QPushButton* Button1;

 private slots:
  void lblWebsiteClick();
  void lblEmailClick();
  void Button1Click();

 protected:
  // Follows a change of palette while the box is open.
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void FormCreate();
  // Places the controls for a box of that size, in proportion to the designed one;
  // whether they all fit it at the font in force.
  bool PlaceControls(QSize box);
  void ApplyColours();
};

}  // namespace solvara
