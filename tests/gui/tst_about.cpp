// The About box, its links, and the banner picture decoded with libjpeg.
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QtTest>

#include "SolvaraConfig.h"
#include "shell/HomePage.h"
#include "shell/JpegImage.h"
#include "shell/MessageBoxes.h"
#include "shell/ShellEx.h"
#include "shell/aboutform.h"
#include "tests/gui/support/Watchdog.h"

using namespace solvara;

namespace {

QByteArray BannerBytes() {
  QFile file(QStringLiteral(":/banner.jpg"));
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The offset of the frame header's height field, or -1.
qsizetype FrameSizeOffset(const QByteArray& jpeg) {
  for (qsizetype i = 2; i + 8 < jpeg.size(); ++i) {
    const auto marker = static_cast<unsigned char>(jpeg[i + 1]);
    if (static_cast<unsigned char>(jpeg[i]) == 0xFF && (marker == 0xC0 || marker == 0xC2)) {
      return i + 5;
    }
  }
  return -1;
}

}  // namespace

class TestAbout : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { Q_INIT_RESOURCE(solvara); }

  void init() {
    launched_.clear();
    boxes_ = 0;
    SetShellLauncher([this](const QString& name) {
      launched_.append(name);
      return int(kShellSuccess);
    });
    SetMessagePresenter([this](QWidget*, BoxKind, const QString&) { ++boxes_; });
  }
  void cleanup() {
    SetShellLauncher({});
    SetMessagePresenter({});
    SetHomePageAddressForTesting(QString());
  }

  void boxShowsVersionAndLinks() {
    Taboutfrm box;
    QCOMPARE(box.windowTitle(), QStringLiteral("About Solvara"));
    QCOMPARE(box.minimumSize(), QSize(348, 267));
    QCOMPARE(box.maximumSize(), QSize(348, 267));
    QCOMPARE(box.lblVersion->text(), QStringLiteral("Version 1.00"));
    QCOMPARE(box.lblWebsite->text(), QStringLiteral(SOLVARA_WEB_HOST));
    QCOMPARE(box.lblEmail->text(), QStringLiteral(SOLVARA_SUPPORT_EMAIL));
    // The links sit on the lines of their words, clear of them and inside the box.
    QVERIFY(box.lblEmail->y() > box.lblWebsite->y());
    QVERIFY(box.lblWebsite->x() >= 112 && box.lblEmail->x() >= 130);
    QVERIFY(box.lblEmail->geometry().right() < box.width());
    QCOMPARE(box.Image1->pixmap().size(), QSize(348, 52));
  }

  void linksOpenTheHomePageAndANewMail() {
    SetHomePageAddressForTesting(QStringLiteral("http://127.0.0.1:9/home"));
    Taboutfrm box;
    box.show();
    QTest::mouseClick(box.lblWebsite, Qt::LeftButton);
    QTest::mouseClick(box.lblEmail, Qt::LeftButton);
    // A right click is not a click on the link.
    QTest::mouseClick(box.lblEmail, Qt::RightButton);
    QCOMPARE(launched_,
             (QStringList{QStringLiteral("http://127.0.0.1:9/home"),
                          QStringLiteral("mailto:" SOLVARA_SUPPORT_EMAIL "?subject=Version1.00")}));
    QVERIFY(box.isVisible());
    QCOMPARE(boxes_, 0);

    QTest::mouseClick(box.Button1, Qt::LeftButton);
    QVERIFY(!box.isVisible());
    QCOMPARE(box.result(), int(QDialog::Accepted));
  }

  void bannerDecodes() {
    const QImage banner = DecodeJpeg(BannerBytes());
    QCOMPARE(banner.size(), QSize(348, 52));
    // A gradient from dark at the left to light at the right.
    QVERIFY(qGray(banner.pixel(2, 45)) < qGray(banner.pixel(345, 45)));
  }

  void damagedPicturesGiveNoImage_data() {
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray banner = BannerBytes();
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("not a JPEG") << QByteArray("GIF89a this is something else entirely");
    QTest::newRow("start marker only") << banner.left(2);
    QTest::newRow("cut in the header") << banner.left(100);
    QTest::newRow("cut in the picture") << banner.left(banner.size() / 2);
    QTest::newRow("no end marker") << banner.left(banner.size() - 2) + QByteArray(64, '\0');
    const qsizetype size = FrameSizeOffset(banner);
    QVERIFY(size > 0);
    QByteArray empty = banner;
    empty[size] = empty[size + 1] = empty[size + 2] = empty[size + 3] = '\0';
    QTest::newRow("zero width and height") << empty;
    QByteArray huge = banner;
    huge[size] = huge[size + 1] = huge[size + 2] = huge[size + 3] = '\xff';
    QTest::newRow("65535 x 65535") << huge;
  }
  void damagedPicturesGiveNoImage() {
    QFETCH(QByteArray, bytes);
    QVERIFY(DecodeJpeg(bytes).isNull());
    Taboutfrm box;
    box.SetBanner(bytes);
    QVERIFY(box.Image1->pixmap().isNull());
    // Everything else of the box is there.
    QCOMPARE(box.lblVersion->text(), QStringLiteral("Version 1.00"));
  }

  // Bytes flipped anywhere: an image of the right size or none, never a crash.
  void scrambledPicturesNeverCrash() {
    const QByteArray banner = BannerBytes();
    QRandomGenerator random(20240);
    for (int round = 0; round < 300; ++round) {
      QByteArray bytes = banner;
      const int flips = 1 + int(random.bounded(8));
      for (int i = 0; i < flips; ++i) {
        bytes[random.bounded(int(bytes.size()))] = char(random.bounded(256));
      }
      const QImage image = DecodeJpeg(bytes);
      QVERIFY(image.isNull() || image.width() * image.height() <= 16 * 1024 * 1024);
    }
  }

 private:
  QStringList launched_;
  int boxes_ = 0;
  Watchdog watchdog_{"tst_about", std::chrono::seconds(90)};
};

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
