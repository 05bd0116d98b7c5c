#include "shell/aboutform.h"

#include <QEvent>
#include <QFile>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>

#include "SolvaraConfig.h"
#include "shell/ColoursU.h"
#include "shell/HomePage.h"
#include "shell/JpegImage.h"
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

}  // namespace

TLinkLabel::TLinkLabel(QWidget* parent) : QLabel(parent) {
  setCursor(Qt::PointingHandCursor);
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

Taboutfrm::Taboutfrm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
  static const bool resourcesReady = (InitSolvaraResources(), true);
  Q_UNUSED(resourcesReady);
  setFixedSize(348, 267);

  Button1 = new QPushButton(QString::fromLatin1(kOk), this);
  Button1->setGeometry(136, 224, 75, 25);
  Button1->setDefault(true);

  Image1 = new QLabel(this);
  Image1->setGeometry(0, 0, 348, 52);

  Label4 = new QLabel(QString::fromLatin1(kVersionCaption), this);
  Label4->move(88, 80);
  lblVersion = new QLabel(this);
  lblVersion->move(88, 96);
  Label3 = new QLabel(QString::fromLatin1(kMoreInformation), this);
  Label3->move(88, 144);
  Label3->adjustSize();
  lblWebsite = new TLinkLabel(this);
  lblEmail = new TLinkLabel(this);

  ApplyColours();
  connect(Button1, &QPushButton::clicked, this, &Taboutfrm::Button1Click);
  connect(lblWebsite, &TLinkLabel::Click, this, &Taboutfrm::lblWebsiteClick);
  connect(lblEmail, &TLinkLabel::Click, this, &Taboutfrm::lblEmailClick);

  FormCreate();

  // The links sit on the lines of "Visit" and "or email", just after the words,
  // whatever the font makes of them.
  const QFontMetrics metrics = Label3->fontMetrics();
  const QStringList lines = QString::fromLatin1(kMoreInformation).split(QLatin1Char('\n'));
  lblWebsite->move(std::max(112, 88 + metrics.horizontalAdvance(lines[0] + QLatin1Char(' '))), 144);
  lblEmail->move(std::max(130, 88 + metrics.horizontalAdvance(lines[1] + QLatin1Char(' '))),
                 144 + metrics.lineSpacing());
  for (QLabel* label :
       {Label4, lblVersion, static_cast<QLabel*>(lblWebsite), static_cast<QLabel*>(lblEmail)}) {
    label->adjustSize();
  }

  QFile banner(QString::fromLatin1(kBannerResource));
  SetBanner(banner.open(QIODevice::ReadOnly) ? banner.readAll() : QByteArray());

  Button1->setFocus();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
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
    return;
  }
  Image1->setPixmap(QPixmap::fromImage(picture));
  Image1->resize(picture.size());
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
