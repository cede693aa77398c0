// Reading the board's picture: good files load, anything else (not a picture, cut short, empty,
// or claiming a size that would exhaust memory) gives the null picture.
#include "board/PictureLoader.h"

#include "TestSupport.h"

#include <QFile>
#include <QImageReader>
#include <QPixmap>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using support::pngClaimingSize;

QByteArray encodedPicture(const char *format, QSize size)
{
    return support::encoded(support::patternImage(size), format);
}

} // namespace

class TestPictureLoader : public QObject
{
    Q_OBJECT

private slots:
    void loads_data();
    void loads();
    void deepPicturesCountTheirWidth();

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
    QTest::newRow("bomb claiming 30000x30000") << pngClaimingSize(30000, 30000, false) << "bomb.png" << QSize();
    QTest::newRow("claiming 2^31-1 square") << pngClaimingSize(0x7fffffff, 0x7fffffff, false) << "wide.png" << QSize();
    // Decodes completely (8 MB of 1-bit pixels) but would take over 256 MiB as a 32-bit picture.
    QTest::newRow("complete, just over the limit") << pngClaimingSize(8193, 8192, true) << "over.png" << QSize();
    QTest::newRow("complete, at the limit") << pngClaimingSize(8192, 8192, true) << "limit.png" << QSize(8192, 8192);
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

void TestPictureLoader::deepPicturesCountTheirWidth()
{
    // 6000x6000 is 144 MB at 4 bytes a pixel but 288 MB as the 16-bit picture it decodes to:
    // counted at 4 bytes, such a file would pass the limit and take the memory.
    const QString path = dir.filePath(QStringLiteral("deep.png"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(support::deepPngClaimingSize(6000, 6000));
    file.close();
    QImageReader reader(path);
    QCOMPARE(reader.size(), QSize(6000, 6000));
    QVERIFY(decodedPictureBytes(reader.size(), reader.imageFormat()) > largestPictureBytes);
    QVERIFY(decodedPictureBytes(QSize(6000, 6000), QImage::Format_ARGB32) < largestPictureBytes);
    // A thin picture still becomes a 32-bit pixmap.
    QCOMPARE(decodedPictureBytes(QSize(100, 10), QImage::Format_Mono), qint64(4000));
    QCOMPARE(decodedPictureBytes(QSize(), QImage::Format_ARGB32), qint64(-1));
}

QTEST_MAIN(TestPictureLoader)
#include "tst_picture_loader.moc"
