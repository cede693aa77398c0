#include "capture/CaptureSave.h"
#include "common/SafeSave.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

// Saving the full-screen capture: what lands in the file, and what a failed write leaves behind.
class TestCaptureSave : public QObject
{
    Q_OBJECT

private slots:
    void transparentPixelsComeOutWhite();
    void scaledCaptureKeepsItsDevicePixels();
    void formatFollowsSuffix_data();
    void formatFollowsSuffix();
    void failedWriteKeepsExistingFile_data();
    void failedWriteKeepsExistingFile();

private:
    QTemporaryDir dir;
};

namespace {

using support::entriesIn;
using support::fileBytes;

QPixmap halfTransparentPicture()
{
    QImage image(40, 30, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.fillRect(0, 0, 20, 30, QColor(10, 120, 230));
    return QPixmap::fromImage(image);
}

} // namespace

void TestCaptureSave::transparentPixelsComeOutWhite()
{
    const QString path = dir.filePath(QStringLiteral("white.png"));
    QVERIFY(savePictureSafely(flattenOnWhite(halfTransparentPicture()), path));
    const QImage saved(path);
    QCOMPARE(saved.size(), QSize(40, 30));
    QCOMPARE(saved.pixel(5, 5), qRgb(10, 120, 230));
    QCOMPARE(saved.pixel(30, 5), qRgb(255, 255, 255));
    QCOMPARE(qAlpha(saved.pixel(39, 29)), 255);
    QVERIFY(!saved.hasAlphaChannel()); // opaque, so written without one
}

void TestCaptureSave::scaledCaptureKeepsItsDevicePixels()
{
    // A capture from a screen scaled by 2: every device pixel must reach the file, not a quarter.
    QPixmap capture = halfTransparentPicture();
    capture.setDevicePixelRatio(2.0);
    const QImage flat = flattenOnWhite(capture);
    QCOMPARE(flat.size(), QSize(40, 30));
    QCOMPARE(flat.pixel(19, 29), qRgb(10, 120, 230));
    QCOMPARE(flat.pixel(39, 29), qRgb(255, 255, 255));

    // An opaque capture, taken as it is, no less so.
    QPixmap opaque = QPixmap::fromImage(support::patternImage(QSize(40, 30)));
    opaque.setDevicePixelRatio(2.0);
    const QImage taken = flattenOnWhite(opaque);
    QCOMPARE(taken.devicePixelRatio(), 1.0);
    QCOMPARE(support::asRgb32(taken), support::patternImage(QSize(40, 30)));
}

void TestCaptureSave::formatFollowsSuffix_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("magic");
    QTest::newRow("png") << "shot.png" << support::pngMagic;
    QTest::newRow("jpg") << "shot.jpg" << support::jpegMagic;
    QTest::newRow("upper-case JPG") << "shot.JPG" << support::jpegMagic;
}

void TestCaptureSave::formatFollowsSuffix()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, magic);
    const QString path = dir.filePath(name);
    QVERIFY(savePictureSafely(flattenOnWhite(halfTransparentPicture()), path));
    QVERIFY(fileBytes(path).startsWith(magic));
    QCOMPARE(QImage(path).size(), QSize(40, 30));
}

void TestCaptureSave::failedWriteKeepsExistingFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("targetIsDirectory");
    QTest::newRow("suffix with no writer") << "old.gif" << false;
    QTest::newRow("unknown suffix") << "old.xyz" << false;
    QTest::newRow("no suffix") << "old" << false;
    QTest::newRow("target is a directory") << "folder.png" << true;
}

void TestCaptureSave::failedWriteKeepsExistingFile()
{
    QFETCH(QString, name);
    QFETCH(bool, targetIsDirectory);
    QTemporaryDir place;
    const QString path = place.filePath(name);
    const QByteArray old("precious bytes that must survive\n");
    if (targetIsDirectory) {
        QVERIFY(QDir(place.path()).mkdir(name));
    } else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(old);
    }

    QVERIFY(!savePictureSafely(flattenOnWhite(halfTransparentPicture()), path));

    QCOMPARE(entriesIn(place.path()), QStringList{name}); // no temporary file left beside it
    if (targetIsDirectory)
        QVERIFY(QFileInfo(path).isDir());
    else
        QCOMPARE(fileBytes(path), old);
}

QTEST_MAIN(TestCaptureSave)
#include "tst_capture_save.moc"
