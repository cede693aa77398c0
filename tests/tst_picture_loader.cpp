// Reading the board's picture: good files load, anything else (not a picture, cut short, empty,
// or claiming a size that would exhaust memory) gives the null picture.
#include "board/PictureLoader.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

namespace {

quint32 crc32Of(const QByteArray &data)
{
    quint32 crc = 0xffffffffu;
    for (const char byte : data) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

QByteArray bigEndian(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

QByteArray pngChunk(const QByteArray &type, const QByteArray &data)
{
    return bigEndian(quint32(data.size())) + type + data + bigEndian(crc32Of(type + data));
}

// A black-and-white PNG of the given size whose pixel data is complete: every row is zero, so the
// file stays small however large the picture. With `fullData` false only a few bytes of pixel
// data follow the header: the classic decompression bomb that merely claims its size.
QByteArray zeroPng(quint32 width, quint32 height, bool fullData)
{
    QByteArray header = bigEndian(width) + bigEndian(height);
    header += QByteArray::fromHex("0100000000"); // 1 bit, greyscale, deflate, no filter, no interlace
    const qint64 rowBytes = 1 + (qint64(width) + 7) / 8; // filter byte + packed pixels
    const QByteArray raw(fullData ? int(rowBytes * height) : 64, '\0');
    QByteArray zlibStream = qCompress(raw, 9);
    zlibStream.remove(0, 4); // qCompress prefixes the uncompressed length
    return QByteArray::fromHex("89504e470d0a1a0a") + pngChunk("IHDR", header)
           + pngChunk("IDAT", zlibStream) + pngChunk("IEND", {});
}

QByteArray encodedPicture(const char *format, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(x * 7 % 256, y * 13 % 256, (x ^ y) % 256));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

} // namespace

class TestPictureLoader : public QObject
{
    Q_OBJECT

private slots:
    void loads_data();
    void loads();

private:
    QTemporaryDir dir;
};

void TestPictureLoader::loads_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QSize>("expectedSize"); // invalid: the null picture

    const QByteArray png = encodedPicture("PNG", QSize(120, 80));
    QTest::newRow("png") << png << "good.png" << QSize(120, 80);
    QTest::newRow("jpeg") << encodedPicture("JPG", QSize(64, 48)) << "good.jpg" << QSize(64, 48);
    QTest::newRow("not a picture") << QByteArray("just some text, no picture here\n") << "text.png" << QSize();
    QTest::newRow("empty") << QByteArray() << "empty.png" << QSize();
    QTest::newRow("truncated png") << png.left(png.size() / 2) << "half.png" << QSize();
    QTest::newRow("header only") << png.left(40) << "header.png" << QSize();
    QTest::newRow("bomb claiming 30000x30000") << zeroPng(30000, 30000, false) << "bomb.png" << QSize();
    QTest::newRow("claiming 2^31-1 square") << zeroPng(0x7fffffff, 0x7fffffff, false) << "wide.png" << QSize();
    // Decodes completely (8 MB of 1-bit pixels) but would take over 256 MiB as a 32-bit picture.
    QTest::newRow("complete, just over the limit") << zeroPng(8193, 8192, true) << "over.png" << QSize();
    QTest::newRow("complete, at the limit") << zeroPng(8192, 8192, true) << "limit.png" << QSize(8192, 8192);
    QTest::newRow("missing file") << QByteArray() << QString() << QSize();
}

void TestPictureLoader::loads()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, fileName);
    QFETCH(QSize, expectedSize);

    QString path = dir.filePath(QStringLiteral("does-not-exist.png"));
    if (!fileName.isEmpty()) {
        path = dir.filePath(fileName);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }

    const QPixmap picture = loadPictureSafely(path);
    if (!expectedSize.isValid()) {
        QVERIFY(picture.isNull());
        return;
    }
    QCOMPARE(picture.size(), expectedSize);
}

QTEST_MAIN(TestPictureLoader)
#include "tst_picture_loader.moc"
