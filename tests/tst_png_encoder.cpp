#include "common/PngEncoder.h"

#include "TestSupport.h"

#include <QRandomGenerator>
#include <QtTest>

// The PNG encoder: every picture it is given comes back from Qt's reader pixel for pixel, with an
// alpha channel exactly when some pixel is less than opaque.
class TestPngEncoder : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void nullPictureGivesNothing();
};

namespace {

// The known pattern with a block of noise in it, so that the compressor meets runs, gradients
// and data it cannot squeeze, and the top byte set to `topByte` (alpha, or garbage in RGB32).
QImage testPicture(const QSize &size, QImage::Format format, bool translucent, uchar topByte = 0xff)
{
    QImage picture = support::patternImage(size).convertToFormat(QImage::Format_ARGB32);
    QRandomGenerator noise(11);
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(picture.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            QRgb pixel = line[x];
            if (x > size.width() / 2 && y > size.height() / 2)
                pixel = noise.generate();
            // Every alpha from clear to opaque, the extremes included.
            const int alpha = translucent ? (x * 7 + y * 13) % 256 : topByte;
            line[x] = (pixel & 0xffffff) | (uint(alpha) << 24);
        }
    }
    if (format != QImage::Format_RGB32)
        return picture.convertToFormat(format);
    picture.reinterpretAsFormat(QImage::Format_RGB32); // the top byte as it is, as a grab may leave it
    return picture;
}

// What a reader must give back: straight alpha, and opaque pixels where the picture has no alpha.
QImage expectedPixels(const QImage &picture, bool alpha)
{
    QImage expected = picture.convertToFormat(QImage::Format_ARGB32);
    if (!alpha)
        for (int y = 0; y < expected.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(expected.scanLine(y));
            for (int x = 0; x < expected.width(); ++x)
                line[x] |= 0xff000000;
        }
    expected.setDevicePixelRatio(1.0);
    return expected;
}

} // namespace

void TestPngEncoder::roundTrip_data()
{
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<bool>("alpha");
    const QSize odd(333, 77);
    QTest::newRow("RGB32 with garbage in the top byte") << testPicture(odd, QImage::Format_RGB32, false, 0x12) << false;
    QTest::newRow("ARGB32, every pixel opaque") << testPicture(odd, QImage::Format_ARGB32, false) << false;
    QTest::newRow("ARGB32, translucent") << testPicture(odd, QImage::Format_ARGB32, true) << true;
    QTest::newRow("ARGB32 premultiplied, translucent")
        << testPicture(odd, QImage::Format_ARGB32_Premultiplied, true) << true;
    QTest::newRow("ARGB32 premultiplied, opaque")
        << testPicture(QSize(1500, 1001), QImage::Format_ARGB32_Premultiplied, false) << false;
    QTest::newRow("RGB888") << testPicture(odd, QImage::Format_RGB888, false) << false;
    QTest::newRow("RGBA8888, translucent") << testPicture(odd, QImage::Format_RGBA8888, true) << true;
    QTest::newRow("RGBA64, translucent") << testPicture(odd, QImage::Format_RGBA64, true) << true;
    QTest::newRow("Grayscale8") << testPicture(odd, QImage::Format_Grayscale8, false) << false;
    QTest::newRow("Indexed8") << testPicture(odd, QImage::Format_ARGB32, false).convertToFormat(QImage::Format_Indexed8)
                              << false;
    QTest::newRow("Mono") << testPicture(odd, QImage::Format_Mono, false) << false;
    QTest::newRow("1x1") << testPicture(QSize(1, 1), QImage::Format_RGB32, false) << false;
    QImage scaled = testPicture(QSize(64, 48), QImage::Format_RGB32, false);
    scaled.setDevicePixelRatio(2.0);
    QTest::newRow("device pixel ratio 2: every device pixel") << scaled << false;
}

void TestPngEncoder::roundTrip()
{
    QFETCH(QImage, picture);
    QFETCH(bool, alpha);
    QVERIFY(!picture.isNull());
    const QByteArray png = encodePng(picture);
    QVERIFY(png.startsWith(support::pngMagic));
    const QImage decoded = QImage::fromData(png, "PNG");
    QVERIFY2(!decoded.isNull(), "Qt's reader refused the file");
    QCOMPARE(decoded.size(), picture.size());
    QCOMPARE(decoded.hasAlphaChannel(), alpha);
    QCOMPARE(decoded.convertToFormat(QImage::Format_ARGB32), expectedPixels(picture, alpha));
}

void TestPngEncoder::nullPictureGivesNothing()
{
    QVERIFY(encodePng(QImage()).isEmpty());
    QVERIFY(encodePng(QImage(0, 10, QImage::Format_RGB32)).isEmpty());
}

QTEST_GUILESS_MAIN(TestPngEncoder)
#include "tst_png_encoder.moc"
