#include "shell/aboutform.h"

#include <QEvent>
#include <QFile>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <algorithm>

#include "SolvaraConfig.h"
#include "platform/ColoursU.h"
#include "platform/FitU.h"
#include "platform/HomePage.h"
#include "platform/JpegImage.h"
#include "shell/ShellEx.h"

// The resources live in a static library; naming them here keeps the linker from
// dropping them.
static void InitSolvaraResources() {
  Q_INIT_RESOURCE(solvara);
}

namespace solvara {

namespace {

// The box's own texts.
const char* const kCaption = "About Solvara";
const char* const kVersionCaption = "Program version :";
const char* const kMoreInformation = "Visit\nor email\nfor more information";
const char* const kOk = "&OK";
const char* const kBannerResource = ":/banner.jpg";

// The box at the designed font: its client size and where its controls stand. At a
// larger font the box opens larger, in proportion, and places them in proportion.
constexpr QSize kDesigned(348, 267);
constexpr QSize kBanner(348, 52);
constexpr QPoint kVersionCaptionAt(88, 80);
constexpr QPoint kVersionAt(88, 96);
constexpr QPoint kMoreInformationAt(88, 144);
constexpr int kWebsiteLeast = 112;  // the links' least left edges
constexpr int kEmailLeast = 130;
constexpr QRect kOkButton(136, 224, 75, 25);

// Names the control as the form names it, so that it can be found by that name.
template <typename T>
T* Named(T* control, const char* name) {
  control->setObjectName(QLatin1String(name));
  return control;
}

}  // namespace

Taboutfrm::Taboutfrm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
  static const bool resourcesReady = (InitSolvaraResources(), true);
  Q_UNUSED(resourcesReady);

  setObjectName(QStringLiteral("aboutfrm"));
  Button1 = Named(new QPushButton(QString::fromLatin1(kOk), this), "Button1");
  Button1->setDefault(true);

  Image1 = Named(new QLabel(this), "Image1");
  Image1->setScaledContents(true);

  Label4 = Named(new QLabel(QString::fromLatin1(kVersionCaption), this), "Label4");
  lblVersion = Named(new QLabel(this), "lblVersion");
  Label3 = Named(new QLabel(QString::fromLatin1(kMoreInformation), this), "Label3");
  lblWebsite = Named(new TLinkLabel(this), "lblWebsite");
  lblEmail = Named(new TLinkLabel(this), "lblEmail");

  ApplyColours();
  connect(Button1, &QPushButton::clicked, this, &Taboutfrm::Button1Click);
  connect(lblWebsite, &TLinkLabel::Click, this, &Taboutfrm::lblWebsiteClick);
  connect(lblEmail, &TLinkLabel::Click, this, &Taboutfrm::lblEmailClick);

  FormCreate();

  QFile banner(QString::fromLatin1(kBannerResource));
  SetBanner(banner.open(QIODevice::ReadOnly) ? banner.readAll() : QByteArray());

  // The designed size where the font in force fits it, otherwise the smallest in
  // proportion that it does. The search leaves the controls placed for the last size
  // it tried.
  setFixedSize(InProportion(kDesigned, [this](QSize box) { return PlaceControls(box); }));
  PlaceControls(size());

  Button1->setFocus();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

bool Taboutfrm::PlaceControls(QSize box) {
  const double scale = double(box.width()) / kDesigned.width();
  const auto at = [scale](QPoint designed) {
    return QPoint(qRound(designed.x() * scale), qRound(designed.y() * scale));
  };
  const auto place = [](QWidget* control, QPoint where) {
    control->setGeometry(QRect(where, control->sizeHint()));
    return control->geometry();
  };
  const QPixmap picture = Image1->pixmap();
  Image1->setGeometry(QRect(QPoint(0, 0), (picture.isNull() ? kBanner : picture.size()) * scale));
  const QRect caption = place(Label4, at(kVersionCaptionAt));
  const QRect version = place(lblVersion, at(kVersionAt));
  const QRect more = place(Label3, at(kMoreInformationAt));
  // The links stand on the lines of "Visit" and "or email", just after the words.
  const QStringList lines = Label3->text().split(QLatin1Char('\n'));
  const QFontMetrics metrics = Label3->fontMetrics();
  const int line = more.height() / int(lines.size());
  const auto after = [&](int index, int least) {
    return QPoint(std::max(qRound(least * scale),
                           more.x() + metrics.horizontalAdvance(lines[index] + QLatin1Char(' '))),
                  more.y() + index * line);
  };
  const QRect website = place(lblWebsite, after(0, kWebsiteLeast));
  const QRect email = place(lblEmail, after(1, kEmailLeast));
  Button1->setGeometry(QRect(at(kOkButton.topLeft()), kOkButton.size() * scale));

  // The rows stand clear of each other, and all within the box's right margin.
  const QRect rows[] = {Image1->geometry(), caption, version, more, Button1->geometry()};
  bool fits = rows[4].bottom() < box.height();
  for (int row = 1; row < 5; ++row) {
    fits = fits && rows[row - 1].bottom() < rows[row].top();
  }
  const int right = box.width() - style()->pixelMetric(QStyle::PM_LayoutRightMargin);
  for (const QRect& control : {caption, version, more, website, email}) {
    fits = fits && control.right() < right;
  }
  return fits;
}

void Taboutfrm::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  PlaceControls(size());
}

void Taboutfrm::ApplyColours() {
  lblWebsite->SetColours(palette());
  lblEmail->SetColours(palette());
}

void Taboutfrm::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() == QEvent::PaletteChange) {
    ApplyColours();
  }
}

void Taboutfrm::FormCreate() {
  lblEmail->setText(QStringLiteral(SOLVARA_SUPPORT_EMAIL));
  lblWebsite->setText(QStringLiteral(SOLVARA_WEB_HOST));
  lblVersion->setText(QStringLiteral(SOLVARA_VERSION_TEXT));
  setWindowTitle(QString::fromLatin1(kCaption));
}

void Taboutfrm::SetBanner(const QByteArray& jpeg) {
  const QImage picture = DecodeJpeg(jpeg);
  if (picture.isNull()) {
    Image1->clear();
    PlaceControls(size());
    return;
  }
  Image1->setPixmap(QPixmap::fromImage(picture));
  PlaceControls(size());
}

QString Taboutfrm::SupportMailAddress() {
  return QStringLiteral("mailto:") + QStringLiteral(SOLVARA_SUPPORT_EMAIL) +
         QStringLiteral("?subject=") +
         QStringLiteral(SOLVARA_VERSION_TEXT).remove(QLatin1Char(' '));
}

void Taboutfrm::lblWebsiteClick() {
  ShellOpen(HomePageAddress(), this);
}

void Taboutfrm::lblEmailClick() {
  ShellOpen(SupportMailAddress(), this);
}

void Taboutfrm::Button1Click() {
  accept();
}

}  // namespace solvara
