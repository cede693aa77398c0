// Opening and saving the board's pictures through the real file dialogs: what is written, what a
// failure leaves (the picture on the board, a message naming the file), and a large picture that
// decodes while the window goes on.
#include "board/DrawBoard.h"
#include "common/BackgroundSave.h"

#include "TestSupport.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

using support::FileDialogAnswerer;

QAction *tool(DrawBoard &board, const char *name)
{
    return board.findChild<QAction *>(QLatin1String(name));
}

// Open and save through the real dialogs; an empty name cancels. An open returns once the
// picture has been decoded (or refused).
void open(DrawBoard &board, const QString &path)
{
    FileDialogAnswerer answer(path);
    QSignalSpy finished(&board, &DrawBoard::pictureLoadFinished);
    board.openFile();
    if (!path.isEmpty())
        QTRY_COMPARE(finished.count(), 1);
}

// Saves are written on a worker thread: this returns once the file is complete.
void saveAs(DrawBoard &board, const QString &path)
{
    FileDialogAnswerer answer(path);
    board.save();
    QTRY_VERIFY(!isSavingPicture(&board));
}

void drag(DrawBoard &board, const QVector<QPoint> &path)
{
    support::drag(&board, path);
}

// The message a failed open or save left on the board, closed once read; empty when none.
QString takeMessage(DrawBoard &board)
{
    auto *box = board.findChild<QMessageBox *>();
    if (!box)
        return QString();
    const QString text = box->text();
    delete box;
    return text;
}

} // namespace

class TestBoardFiles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void saveWritesCanvasOverWhite();
    void openAndSaveRememberTheirOwnDirectories();
    void failedSaveSaysWhyAndBareNameSavesPng();
    void largePictureDecodesWhileWindowStaysLive();
    void cancelledOpenKeepsPicture();
    void badFilesKeepThePicture_data();
    void badFilesKeepThePicture();

private:
    QTemporaryDir dir;
    QString goodPicture;
};

void TestBoardFiles::initTestCase()
{
    QVERIFY(dir.isValid());
    goodPicture = dir.filePath(QStringLiteral("pictures/good.png"));
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("pictures")));
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("saved")));
    QVERIFY(support::patternImage(QSize(60, 40)).save(goodPicture));
}

void TestBoardFiles::saveWritesCanvasOverWhite()
{
    DrawBoard board;
    {
        FileDialogAnswerer opened(goodPicture);
        board.openFile();
        QCOMPARE(opened.caption, QStringLiteral("openfile"));
        QCOMPARE(opened.filters, QStringList{QStringLiteral("picture(*.png *.jpg)")});
    }
    QTRY_VERIFY(board.currentPicture());
    QCOMPARE(board.currentPicture()->size(), QSize(60, 40));

    drag(board, {{200, 150}, {300, 150}});
    const QString target = dir.filePath(QStringLiteral("saved/canvas.png"));
    {
        FileDialogAnswerer saved(target);
        board.save();
        QCOMPARE(saved.caption, QStringLiteral("saveFile"));
        QCOMPARE(saved.filters, QStringList{QStringLiteral("picture(*.png *.jpg)")});
        QTRY_VERIFY(!isSavingPicture(&board));
    }

    const QImage written(target);
    QCOMPARE(written.size(), QSize(400, 300));
    QVERIFY(!written.hasAlphaChannel()); // opaque, so written without one
    const QImage picture = support::patternImage(QSize(60, 40));
    // The picture lies at (0, 0) although the menu and tool bars cover that corner on screen.
    QCOMPARE(written.pixel(0, 0), picture.pixel(0, 0));
    QCOMPARE(written.pixel(59, 39), picture.pixel(59, 39));
    QCOMPARE(written.pixel(60, 40), qRgb(255, 255, 255));
    QCOMPARE(written.pixel(399, 299), qRgb(255, 255, 255));
    QVERIFY(support::isDark(written.pixel(250, 150)));
    QCOMPARE(written.pixel(250, 160), qRgb(255, 255, 255));

    // A name ending in .jpg gives a JPEG file.
    const QString jpeg = dir.filePath(QStringLiteral("saved/canvas.jpg"));
    saveAs(board, jpeg);
    QVERIFY(support::fileBytes(jpeg).startsWith(support::jpegMagic));
}

void TestBoardFiles::openAndSaveRememberTheirOwnDirectories()
{
    DrawBoard board;
    open(board, goodPicture);
    saveAs(board, dir.filePath(QStringLiteral("saved/first.png")));

    FileDialogAnswerer nextSave{QString()};
    board.save();
    QCOMPARE(nextSave.directory, QDir(dir.filePath(QStringLiteral("saved"))).absolutePath());
    FileDialogAnswerer nextOpen{QString()};
    board.openFile();
    QCOMPARE(nextOpen.directory, QDir(dir.filePath(QStringLiteral("pictures"))).absolutePath());
}

void TestBoardFiles::failedSaveSaysWhyAndBareNameSavesPng()
{
    DrawBoard board;
    drag(board, {{200, 150}, {300, 150}});
    const QString missing = dir.filePath(QStringLiteral("no-such-folder/board.png"));
    saveAs(board, missing);
    const QStringList message = takeMessage(board).split(QLatin1Char('\n'));
    QCOMPARE(message.size(), 2);
    QVERIFY(message.first().contains(QDir::toNativeSeparators(missing)));
    QVERIFY(!message.last().isEmpty()); // the reason
    QVERIFY(!QFile::exists(missing));

    // A name typed without a suffix is saved as a PNG, where it used to write nothing at all; also
    // in a folder with a dot in its name, which the dialog alone takes for a suffix.
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("tmp.AbC123")));
    saveAs(board, dir.filePath(QStringLiteral("tmp.AbC123/bare")));
    QVERIFY(support::fileBytes(dir.filePath(QStringLiteral("tmp.AbC123/bare.png"))).startsWith(support::pngMagic));
    QVERIFY(takeMessage(board).isEmpty());
}

void TestBoardFiles::largePictureDecodesWhileWindowStaysLive()
{
    const QString path = dir.filePath(QStringLiteral("pictures/large.png"));
    QVERIFY(support::writeFile(path, support::pngClaimingSize(8192, 8192, true)));
    DrawBoard board;
    QSignalSpy finished(&board, &DrawBoard::pictureLoadFinished);
    qint64 longestGap = 0;
    QElapsedTimer sinceLastTurn;
    QTimer turns;
    connect(&turns, &QTimer::timeout, this, [&] { longestGap = qMax(longestGap, sinceLastTurn.restart()); });
    turns.start(5);
    sinceLastTurn.start();

    board.openPicture(path);
    QVERIFY(board.isLoadingPicture());
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);
    // The event loop kept turning while 256 MB of pixels were decoded. Decoded on the GUI thread
    // they would stop it for the whole decoding, about 750 ms here; a turn late by 100 ms, under a
    // parallel test run on two cores, is the scheduler's.
    QVERIFY2(longestGap < 250, qPrintable(QStringLiteral("event loop stood still for %1 ms").arg(longestGap)));
    QCOMPARE(finished.first().first().toBool(), true);
    QCOMPARE(board.currentPicture()->size(), QSize(8192, 8192));
}

void TestBoardFiles::cancelledOpenKeepsPicture()
{
    DrawBoard board;
    open(board, goodPicture);
    tool(board, "rotateAction")->trigger();
    const QPixmap *before = board.currentPicture();

    open(board, QString());
    QCOMPARE(board.currentPicture(), before);
    QCOMPARE(board.currentPicture()->size(), QSize(60, 40));
    QCOMPARE(board.pictureRotation(), 90.0);
}

void TestBoardFiles::badFilesKeepThePicture_data()
{
    QTest::addColumn<QByteArray>("contents");

    const QByteArray png = support::encoded(support::patternImage(QSize(60, 40)), "PNG");
    QTest::newRow("not a picture") << QByteArray("hello, I am text\n");
    QTest::newRow("truncated png") << png.left(png.size() * 2 / 3);
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("bomb") << support::pngClaimingSize(30000, 30000, false);
}

void TestBoardFiles::badFilesKeepThePicture()
{
    QFETCH(QByteArray, contents);
    const QString path = dir.filePath(QStringLiteral("pictures/bad-%1.png").arg(QTest::currentDataTag()));
    QVERIFY(support::writeFile(path, contents));

    DrawBoard board;
    drag(board, {{100, 100}, {200, 100}});
    open(board, path);
    // With no picture yet, there is still none.
    QVERIFY(!board.currentPicture());
    QVERIFY(takeMessage(board).contains(QDir::toNativeSeparators(path)));

    open(board, goodPicture);
    QVERIFY(takeMessage(board).isEmpty());
    const QPixmap *good = board.currentPicture();
    open(board, path);
    // The picture the user was working on stays.
    QCOMPARE(board.currentPicture(), good);
    QCOMPARE(good->size(), QSize(60, 40));
    QVERIFY(takeMessage(board).contains(QDir::toNativeSeparators(path)));
    const QImage canvas = board.renderCanvas();
    QCOMPARE(canvas.pixel(5, 5), support::patternPixel(5, 5));
    QVERIFY(support::isDark(canvas.pixel(150, 100)));
}

QTEST_MAIN(TestBoardFiles)
#include "tst_board_files.moc"
