// Reading the board's picture (and the clipboard's, from memory): good files load, anything else (not a picture, cut short, empty,
// not a regular file, or built to exhaust memory or time) gives no picture but a reason, quickly
// and without taking much memory on the way.
#include "common/PictureLoader.h"

#include "TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using support::pngClaimingSize;

QByteArray encodedPicture(const char *format, QSize size)
{
    return support::encoded(support::patternImage(size), format);
}

QByteArray cutShort(const QByteArray &file)
{
    return file.left(file.size() * 2 / 3);
}

enum class Kind { RegularFile, Fifo, Directory, Missing };

constexpr qint64 megabyte = 1024 * 1024;

} // namespace

Q_DECLARE_METATYPE(Kind)

class TestPictureLoader : public QObject
{
    Q_OBJECT

private slots:
    void loads_data();
    void loads();
    void slowDecodeIsAbandoned();
    void deepPicturesCountTheirWidth();

private:
    QTemporaryDir dir;
};

void TestPictureLoader::loads_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QSize>("expectedSize"); // invalid: no picture
    QTest::addColumn<qint64>("memoryBound"); // most the process may grow by while loading

    const qint64 small = 16 * megabyte;
    const QByteArray png = encodedPicture("PNG", QSize(120, 80));
    const QByteArray jpeg = encodedPicture("JPG", QSize(64, 48));
    const QByteArray bmp = encodedPicture("BMP", QSize(64, 48));
    const QByteArray gif = support::gifImage(QSize(64, 48));
    QTest::newRow("png") << Kind::RegularFile << png << QSize(120, 80) << small;
    QTest::newRow("jpeg") << Kind::RegularFile << jpeg << QSize(64, 48) << small;
    QTest::newRow("bmp") << Kind::RegularFile << bmp << QSize(64, 48) << small;
    QTest::newRow("gif") << Kind::RegularFile << gif << QSize(64, 48) << small;
    QTest::newRow("not a picture") << Kind::RegularFile << QByteArray("just some text, no picture here\n") << QSize() << small;
    QTest::newRow("empty") << Kind::RegularFile << QByteArray() << QSize() << small;
    QTest::newRow("header only") << Kind::RegularFile << png.left(40) << QSize() << small;
    QTest::newRow("truncated png") << Kind::RegularFile << cutShort(png) << QSize() << small;
    QTest::newRow("truncated jpeg") << Kind::RegularFile << cutShort(jpeg) << QSize() << small;
    QTest::newRow("truncated bmp") << Kind::RegularFile << cutShort(bmp) << QSize() << small;
    QTest::newRow("truncated gif") << Kind::RegularFile << cutShort(gif) << QSize() << small;
    QTest::newRow("bomb claiming 30000x30000") << Kind::RegularFile << pngClaimingSize(30000, 30000, false) << QSize() << small;
    QTest::newRow("claiming 2^31-1 square") << Kind::RegularFile << pngClaimingSize(0x7fffffff, 0x7fffffff, false) << QSize() << small;
    // Decodes completely (8 MB of 1-bit pixels) but would take over 256 MiB as a 32-bit picture.
    QTest::newRow("complete, just over the limit") << Kind::RegularFile << pngClaimingSize(8193, 8192, true) << QSize() << small;
    QTest::newRow("complete, at the limit") << Kind::RegularFile << pngClaimingSize(8192, 8192, true) << QSize(8192, 8192)
                                            << 300 * megabyte;
    // Containers Qt recognises by content whatever the name: the icon's directory says 16x16, the
    // PNG inside it is 20000x20000; the compressed SVG inflates to 1 GiB before any size is known.
    QTest::newRow("icon holding a huge png") << Kind::RegularFile << support::icoHolding(pngClaimingSize(20000, 20000, true))
                                             << QSize() << small;
    QTest::newRow("svgz bomb") << Kind::RegularFile << support::svgzInflatingTo(1024 * megabyte) << QSize() << small;
#ifdef Q_OS_UNIX
    QTest::newRow("fifo") << Kind::Fifo << QByteArray() << QSize() << small;
#endif
    QTest::newRow("directory") << Kind::Directory << QByteArray() << QSize() << small;
    QTest::newRow("missing file") << Kind::Missing << QByteArray() << QSize() << small;
}

void TestPictureLoader::loads()
{
    QFETCH(Kind, kind);
    QFETCH(QByteArray, contents);
    QFETCH(QSize, expectedSize);
    QFETCH(qint64, memoryBound);

    // Every file is named .png: the name must not decide how it is read.
    const QString path = dir.filePath(QStringLiteral("%1.png").arg(QTest::currentDataTag()));
    if (kind == Kind::RegularFile) {
        QVERIFY(support::writeFile(path, contents));
        // The same bytes from memory (a picture read from the clipboard) come out the same.
        const LoadedPicture fromMemory = loadPictureSafely(contents);
        QCOMPARE(fromMemory.image.isNull(), !expectedSize.isValid());
        QCOMPARE(fromMemory.failure.isEmpty(), expectedSize.isValid());
        if (expectedSize.isValid())
            QCOMPARE(fromMemory.image.size(), expectedSize);
    }
    else if (kind == Kind::Fifo)
        QCOMPARE(QProcess::execute(QStringLiteral("mkfifo"), {path}), 0);
    else if (kind == Kind::Directory)
        QVERIFY(QDir(dir.path()).mkdir(QFileInfo(path).fileName()));
    contents.clear();

    support::resetPeakMemory();
    const qint64 memoryBefore = support::peakMemoryBytes();
    QElapsedTimer clock;
    clock.start();
    const LoadedPicture loaded = loadPictureSafely(path);
    const qint64 took = clock.elapsed();
    const qint64 grew = support::peakMemoryBytes() - memoryBefore;

    QVERIFY2(took < 5000, qPrintable(QStringLiteral("took %1 ms").arg(took)));
    if (memoryBefore >= 0)
        QVERIFY2(grew < memoryBound, qPrintable(QStringLiteral("grew by %1 MB").arg(grew / megabyte)));
    if (!expectedSize.isValid()) {
        QVERIFY(loaded.image.isNull());
        QVERIFY(!loaded.failure.isEmpty());
        return;
    }
    QVERIFY2(loaded.failure.isEmpty(), qPrintable(loaded.failure));
    QCOMPARE(loaded.image.size(), expectedSize);
}

void TestPictureLoader::slowDecodeIsAbandoned()
{
    // Whatever keeps a decoder busy, it stops at its next read once the time is up.
    const QString path = dir.filePath(QStringLiteral("large.jpg"));
    QVERIFY(support::writeFile(path, encodedPicture("JPG", QSize(3000, 2000))));
    QElapsedTimer clock;
    clock.start();
    const LoadedPicture loaded = loadPictureSafely(path, 1);
    QVERIFY(loaded.image.isNull());
    QVERIFY(!loaded.failure.isEmpty());
    QVERIFY2(clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!loadPictureSafely(path).image.isNull());

    const std::atomic_bool cancelled{true};
    QVERIFY(loadPictureSafely(path, longestDecodeMs, &cancelled).image.isNull());
}

void TestPictureLoader::deepPicturesCountTheirWidth()
{
    // 6000x6000 is 144 MB at 4 bytes a pixel but 288 MB as the 16-bit picture it decodes to:
    // counted at 4 bytes, such a file would pass the limit and take the memory.
    const QString path = dir.filePath(QStringLiteral("deep.png"));
    QVERIFY(support::writeFile(path, support::deepPngClaimingSize(6000, 6000)));
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
