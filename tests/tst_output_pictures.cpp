#include "platform/wayland/OutputPictures.h"

#include <QtTest>

#include <cstring>

Q_DECLARE_METATYPE(OutputPicture)

// What a wlroots compositor hands over of each output, turned into what the user sees: the
// pixel formats of its buffers, the outputs' transforms and their layout at mixed scales.
class TestOutputPictures : public QObject
{
    Q_OBJECT

private slots:
    void shmFormatsReadAsTheirColours_data();
    void shmFormatsReadAsTheirColours();
    void transformsAreUndone_data();
    void transformsAreUndone();
    void layoutAtTheLargestScale_data();
    void layoutAtTheLargestScale();
};

namespace {

constexpr uint32_t fourcc(char a, char b, char c, char d)
{
    return uint32_t(uchar(a)) | uint32_t(uchar(b)) << 8 | uint32_t(uchar(c)) << 16 | uint32_t(uchar(d)) << 24;
}

// Six pixels a..f in two rows, each a colour of its own.
const QVector<QRgb> letters{qRgb(10, 0, 0), qRgb(20, 0, 0), qRgb(30, 0, 0),
                            qRgb(40, 0, 0), qRgb(50, 0, 0), qRgb(60, 0, 0)};

QImage fromLetters(const QString &rows)
{
    const QStringList lines = rows.split(QLatin1Char('/'));
    QImage image(lines.first().size(), lines.size(), QImage::Format_RGB32);
    for (int y = 0; y < lines.size(); ++y)
        for (int x = 0; x < lines.at(y).size(); ++x)
            image.setPixel(x, y, letters.at(lines.at(y).at(x).unicode() - 'a'));
    return image;
}

QImage filled(const QSize &size, const QColor &colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

} // namespace

void TestOutputPictures::shmFormatsReadAsTheirColours_data()
{
    QTest::addColumn<uint>("format");
    QTest::addColumn<QByteArray>("bytes"); // one pixel as it lies in memory
    QTest::addColumn<int>("bytesPerPixel");

    // wl_shm names a format by its bits in a little-endian word; the colour is (200, 100, 50).
    QTest::newRow("XRGB8888") << uint(1) << QByteArray("\x32\x64\xc8\x00", 4) << 4;
    QTest::newRow("ARGB8888, alpha ignored") << uint(0) << QByteArray("\x32\x64\xc8\x00", 4) << 4;
    QTest::newRow("XBGR8888") << uint(fourcc('X', 'B', '2', '4')) << QByteArray("\xc8\x64\x32\x00", 4) << 4;
    QTest::newRow("ABGR8888") << uint(fourcc('A', 'B', '2', '4')) << QByteArray("\xc8\x64\x32\x7f", 4) << 4;
    QTest::newRow("BGR888") << uint(fourcc('B', 'G', '2', '4')) << QByteArray("\xc8\x64\x32", 3) << 3;
    QTest::newRow("RGB888") << uint(fourcc('R', 'G', '2', '4')) << QByteArray("\x32\x64\xc8", 3) << 3;
}

void TestOutputPictures::shmFormatsReadAsTheirColours()
{
    QFETCH(uint, format);
    QFETCH(QByteArray, bytes);
    QFETCH(int, bytesPerPixel);
    const QImage::Format qtFormat = imageFormatForShm(format);
    QVERIFY(qtFormat != QImage::Format_Invalid);
    QByteArray row = bytes.repeated(4);
    const QImage image(reinterpret_cast<const uchar *>(row.constData()), 4, 1, 4 * bytesPerPixel, qtFormat);
    QCOMPARE(QColor(image.pixel(3, 0)), QColor(200, 100, 50));
    QCOMPARE(imageFormatForShm(fourcc('Y', 'U', 'Y', 'V')), QImage::Format_Invalid);
}

void TestOutputPictures::transformsAreUndone_data()
{
    QTest::addColumn<int>("transform");
    QTest::addColumn<bool>("yInverted");
    QTest::addColumn<QString>("seen"); // the buffer holds abc/def

    QTest::newRow("normal") << 0 << false << "abc/def";
    QTest::newRow("90") << 1 << false << "da/eb/fc";
    QTest::newRow("180") << 2 << false << "fed/cba";
    QTest::newRow("270") << 3 << false << "cf/be/ad";
    QTest::newRow("flipped") << 4 << false << "cba/fed";
    QTest::newRow("flipped 90") << 5 << false << "ad/be/cf";
    QTest::newRow("flipped 180") << 6 << false << "def/abc";
    QTest::newRow("flipped 270") << 7 << false << "fc/eb/da";
    QTest::newRow("y inverted") << 0 << true << "def/abc";
    QTest::newRow("y inverted, 90") << 1 << true << "ad/be/cf";
}

void TestOutputPictures::transformsAreUndone()
{
    QFETCH(int, transform);
    QFETCH(bool, yInverted);
    QFETCH(QString, seen);
    const OutputPicture output{fromLetters(QStringLiteral("abc/def")), transform, yInverted, QRect()};
    QCOMPARE(upright(output).convertToFormat(QImage::Format_RGB32), fromLetters(seen));
}

void TestOutputPictures::layoutAtTheLargestScale_data()
{
    QTest::addColumn<QVector<OutputPicture>>("outputs");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QVector<QPoint>>("points");
    QTest::addColumn<QVector<QRgb>>("colours");

    const QRgb red = qRgb(255, 0, 0);
    const QRgb green = qRgb(0, 255, 0);
    const QRgb black = qRgb(0, 0, 0);

    QTest::newRow("one output")
        << QVector<OutputPicture>{{filled(QSize(80, 60), Qt::red), 0, false, QRect(0, 0, 80, 60)}}
        << QSize(80, 60) << QVector<QPoint>{{0, 0}, {79, 59}} << QVector<QRgb>{red, red};
    // A scale-2 output beside a scale-1 one, which is enlarged to fill its place; below the
    // shorter one nothing lies.
    QTest::newRow("mixed scale")
        << QVector<OutputPicture>{{filled(QSize(200, 100), Qt::red), 0, false, QRect(0, 0, 100, 50)},
                                  {filled(QSize(50, 25), Qt::green), 0, false, QRect(100, 0, 50, 25)}}
        << QSize(300, 100) << QVector<QPoint>{{199, 99}, {201, 1}, {299, 49}, {250, 60}}
        << QVector<QRgb>{red, green, green, black};
    // A portrait output turned by its transform, its logical place already upright.
    QTest::newRow("rotated beside normal")
        << QVector<OutputPicture>{{filled(QSize(40, 30), Qt::red), 0, false, QRect(0, 0, 40, 30)},
                                  {filled(QSize(30, 20), Qt::green), 1, false, QRect(40, 0, 20, 30)}}
        << QSize(60, 30) << QVector<QPoint>{{39, 29}, {40, 0}, {59, 29}} << QVector<QRgb>{red, green, green};
    // Outputs that do not start at the origin: the picture starts at the layout's corner.
    QTest::newRow("layout away from origin")
        << QVector<OutputPicture>{{filled(QSize(20, 20), Qt::red), 0, false, QRect(-20, 0, 20, 20)},
                                  {filled(QSize(20, 10), Qt::green), 0, false, QRect(0, 10, 20, 10)}}
        << QSize(40, 20) << QVector<QPoint>{{0, 0}, {39, 19}, {30, 5}} << QVector<QRgb>{red, green, black};
}

void TestOutputPictures::layoutAtTheLargestScale()
{
    QFETCH(QVector<OutputPicture>, outputs);
    QFETCH(QSize, size);
    QFETCH(QVector<QPoint>, points);
    QFETCH(QVector<QRgb>, colours);
    const QImage picture = layoutPicture(outputs);
    QCOMPARE(picture.size(), size);
    for (int i = 0; i < points.size(); ++i)
        QCOMPARE(QColor(picture.pixel(points.at(i))), QColor(colours.at(i)));
}

QTEST_MAIN(TestOutputPictures)
#include "tst_output_pictures.moc"
