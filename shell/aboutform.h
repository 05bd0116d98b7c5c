// The About box: version, web site and support e-mail.
#pragma once

#include <QDialog>
#include <QLabel>

#include "platform/LinkLabel.h"

class QPushButton;

namespace solvara {

class Taboutfrm : public QDialog {
  Q_OBJECT

 public:
  explicit Taboutfrm(QWidget* parent = nullptr);

  // Shows a JPEG as the banner; damaged bytes leave the banner empty.
  void SetBanner(const QByteArray& jpeg);

  // "mailto:" + the support address + "?subject=" + the version without blanks.
  static QString SupportMailAddress();

 private slots:
  void lblWebsiteClick();
  void lblEmailClick();
  void Button1Click();

 protected:
  // Follows a change of palette while the box is open.
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QLabel* Image1 = nullptr;
  QLabel* Label4 = nullptr;
  QLabel* lblVersion = nullptr;
  QLabel* Label3 = nullptr;
  TLinkLabel* lblWebsite = nullptr;
  TLinkLabel* lblEmail = nullptr;
  QPushButton* Button1 = nullptr;

  void FormCreate();
  // Places the controls for a box of that size, in proportion to the designed one;
  // whether they all fit it at the font in force.
  bool PlaceControls(QSize box);
  void ApplyColours();
};

}  // namespace solvara
