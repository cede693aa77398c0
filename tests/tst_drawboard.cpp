// The drawing board as a user drives it: tools, mouse gestures, the shared pen settings, and
// opening and saving through the real file dialogs.
#include "board/DrawBoard.h"

#include "settings/PainterSetting.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QtTest>

#include <memory>

namespace {

using Record = QHash<QString, int>;
using Strokes = QVector<QVector<QPoint>>;

QAction *tool(DrawBoard &board, const char *name)
{
    return board.findChild<QAction *>(QLatin1String(name));
}

// A move with a button held. QTest::mouseMove does not carry the button state on every Qt 5
// version, and the board only sees moves while a button is down.
void dragTo(DrawBoard &board, QPoint position, Qt::MouseButton button = Qt::LeftButton)
{
    QMouseEvent move(QEvent::MouseMove, position, board.mapToGlobal(position), Qt::NoButton, button,
                     Qt::NoModifier);
    QApplication::sendEvent(&board, &move);
}

void drag(DrawBoard &board, const QVector<QPoint> &path, Qt::MouseButton button = Qt::LeftButton)
{
    QTest::mousePress(&board, button, Qt::NoModifier, path.first());
    for (int i = 1; i < path.size(); ++i)
        dragTo(board, path.at(i), button);
    QTest::mouseRelease(&board, button, Qt::NoModifier, path.last());
}

// What a file dialog looked like when it came up.
struct DialogSeen
{
    QString caption;
    QString directory;
    QStringList filters;
};

// Answers the next file dialog: types `path` into its file name field and accepts, or cancels
// when `path` is empty. The dialog runs its own event loop, so it is found by polling.
std::shared_ptr<DialogSeen> answerFileDialog(const QString &path)
{
    auto seen = std::make_shared<DialogSeen>();
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, seen, path] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll->stop();
        poll->deleteLater();
        seen->caption = dialog->windowTitle();
        seen->directory = dialog->directory().absolutePath();
        seen->filters = dialog->nameFilters();
        if (path.isEmpty()) {
            dialog->reject();
            return;
        }
        auto *nameField = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        nameField->setText(path);
        QTest::keyClick(nameField, Qt::Key_Return);
    });
    poll->start(20);
    return seen;
}

QImage patternPicture(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(40 + x % 100, 60 + y % 100, 150));
    return image;
}

bool writeFile(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

QByteArray pngBytes(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// A PNG whose header claims 30000 x 30000 pixels (3.6 GB decoded) with hardly any data behind it.
QByteArray bombPng()
{
    QByteArray png = pngBytes(patternPicture(QSize(2, 2)));
    // Width and height sit at bytes 16..23, inside IHDR, whose CRC (bytes 29..32) covers them.
    const QByteArray size = QByteArray::fromHex("0000753000007530");
    png.replace(16, 8, size);
    quint32 crc = 0xffffffffu;
    for (const char byte : png.mid(12, 17)) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    crc = ~crc;
    for (int i = 0; i < 4; ++i)
        png[29 + i] = char(crc >> (24 - 8 * i));
    return png;
}

bool isDark(QRgb pixel)
{
    return qRed(pixel) < 100 && qGreen(pixel) < 100 && qBlue(pixel) < 100;
}

} // namespace

class TestDrawBoard : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void newBoardStartsEmpty();
    void penDragMakesOneStroke();
    void clickMakesTwoPointStroke();
    void doubleClickMakesTwoStrokes();
    void rightButtonDrawsToo();
    void moveModeDragsRelativeToCommittedOffset();
    void moveToolSwitchesModeAndIcon();
    void rotateAndScaleTools();
    void penToolShowsSharedDialogOnlyWhenHidden();
    void oneConfirmationChangesEveryBoard();
    void laterBoardStartsBlackTwoPixels();
    void missingKeysReadAsZero();
    void negativeWidthPaintsWithoutHanging();
    void saveWritesCanvasOverWhite();
    void openAndSaveRememberTheirOwnDirectories();
    void cancelledOpenKeepsPicture();
    void badFilesGiveNullPicture_data();
    void badFilesGiveNullPicture();

private:
    QTemporaryDir dir;
    QString goodPicture;
};

void TestDrawBoard::initTestCase()
{
    QVERIFY(dir.isValid());
    goodPicture = dir.filePath(QStringLiteral("pictures/good.png"));
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("pictures")));
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("saved")));
    QVERIFY(patternPicture(QSize(60, 40)).save(goodPicture));
}

void TestDrawBoard::newBoardStartsEmpty()
{
    DrawBoard board;
    QCOMPARE(board.size(), QSize(400, 300));
    QVERIFY(!board.isMoveMode());
    QVERIFY(board.penStrokes().isEmpty());
    QVERIFY(!board.currentPicture());
    QCOMPARE(board.currentPenColor(), QColor(0, 0, 0, 255));
    QCOMPARE(board.currentPenWidth(), 2);
    QCOMPARE(board.committedPictureOffset(), QPoint(0, 0));
    QCOMPARE(tool(board, "moveAction")->data().toString(), QStringLiteral(":/resources/img/move.png"));

    const QList<QAction *> menus = board.menuBar()->actions();
    QCOMPARE(menus.size(), 1);
    QCOMPARE(menus.first()->text(), QStringLiteral("文件"));
    const QList<QAction *> entries = menus.first()->menu()->actions();
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries.at(0)->text(), QStringLiteral("打开图片"));
    QCOMPARE(entries.at(0)->shortcut(), QKeySequence(QKeySequence::Open));
    QCOMPARE(entries.at(1)->text(), QStringLiteral("保存"));
    QCOMPARE(entries.at(1)->shortcut(), QKeySequence(QKeySequence::Save));

    auto *toolBar = board.findChild<QToolBar *>();
    QCOMPARE(board.toolBarArea(toolBar), Qt::LeftToolBarArea);
    QCOMPARE(toolBar->actions().size(), 5);
}

void TestDrawBoard::penDragMakesOneStroke()
{
    DrawBoard board;
    drag(board, {{10, 10}, {20, 10}, {30, 15}});
    QCOMPARE(board.penStrokes(), (Strokes{{{10, 10}, {20, 10}, {30, 15}, {30, 15}}}));
}

void TestDrawBoard::clickMakesTwoPointStroke()
{
    DrawBoard board;
    QTest::mouseClick(&board, Qt::LeftButton, Qt::NoModifier, QPoint(200, 150));
    QCOMPARE(board.penStrokes(), (Strokes{{{200, 150}, {200, 150}}}));
}

void TestDrawBoard::doubleClickMakesTwoStrokes()
{
    DrawBoard board;
    // The sequence a widget gets from a double click: press, release, double click, release.
    QTest::mouseClick(&board, Qt::LeftButton, Qt::NoModifier, QPoint(120, 130));
    QTest::mouseDClick(&board, Qt::LeftButton, Qt::NoModifier, QPoint(120, 130));
    QTest::mouseRelease(&board, Qt::LeftButton, Qt::NoModifier, QPoint(120, 130));
    QCOMPARE(board.penStrokes().size(), 2);
    for (const QVector<QPoint> &stroke : board.penStrokes())
        QCOMPARE(stroke, (QVector<QPoint>{{120, 130}, {120, 130}}));
}

void TestDrawBoard::rightButtonDrawsToo()
{
    DrawBoard board;
    drag(board, {{50, 60}, {70, 80}}, Qt::RightButton);
    QCOMPARE(board.penStrokes(), (Strokes{{{50, 60}, {70, 80}, {70, 80}}}));
}

void TestDrawBoard::moveModeDragsRelativeToCommittedOffset()
{
    DrawBoard board;
    tool(board, "moveAction")->trigger();

    QTest::mousePress(&board, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    dragTo(board, QPoint(150, 120));
    QCOMPARE(board.currentPictureOffset(), QPoint(50, 20));
    QCOMPARE(board.committedPictureOffset(), QPoint(0, 0)); // still running ahead
    QTest::mouseRelease(&board, Qt::LeftButton, Qt::NoModifier, QPoint(150, 120));
    QCOMPARE(board.committedPictureOffset(), QPoint(50, 20));

    drag(board, {{10, 10}, {0, 0}}, Qt::RightButton);
    QCOMPARE(board.currentPictureOffset(), QPoint(40, 10));
    QCOMPARE(board.committedPictureOffset(), QPoint(40, 10));

    QTest::mouseClick(&board, Qt::LeftButton, Qt::NoModifier, QPoint(300, 200));
    QCOMPARE(board.committedPictureOffset(), QPoint(40, 10));
    QVERIFY(board.penStrokes().isEmpty());
}

void TestDrawBoard::moveToolSwitchesModeAndIcon()
{
    DrawBoard board;
    QAction *move = tool(board, "moveAction");
    QVector<bool> emitted;
    connect(&board, &DrawBoard::actionPressed, this, [&](bool on) { emitted << on; });

    move->trigger();
    QVERIFY(board.isMoveMode());
    QCOMPARE(move->data().toString(), QStringLiteral(":/resources/img/move_down.png"));
    move->trigger();
    QVERIFY(!board.isMoveMode());
    QCOMPARE(move->data().toString(), QStringLiteral(":/resources/img/move.png"));
    move->trigger();
    QCOMPARE(emitted, (QVector<bool>{true, false, true}));
}

void TestDrawBoard::rotateAndScaleTools()
{
    DrawBoard board;
    for (int i = 0; i < 4; ++i)
        tool(board, "rotateAction")->trigger();
    QCOMPARE(board.pictureRotation(), 360.0);

    tool(board, "enlargeAction")->trigger();
    QCOMPARE(board.pictureScaleX(), 1.5);
    QCOMPARE(board.pictureScaleY(), 1.5);
    tool(board, "shrinkAction")->trigger();
    QCOMPARE(board.pictureScaleX(), 1.0);
    QCOMPARE(board.pictureScaleY(), 1.0);
}

void TestDrawBoard::penToolShowsSharedDialogOnlyWhenHidden()
{
    DrawBoard first;
    DrawBoard second;
    PainterSetting *dialog = PainterSetting::shared();
    QVERIFY(dialog);
    QVERIFY(dialog->isHidden());

    tool(second, "painterAction")->trigger();
    QVERIFY(dialog->isVisible());
    tool(first, "painterAction")->trigger();
    QVERIFY(dialog->isVisible());
    QCOMPARE(PainterSetting::shared(), dialog);
    dialog->close();
}

void TestDrawBoard::oneConfirmationChangesEveryBoard()
{
    DrawBoard first;
    DrawBoard second;
    drag(first, {{100, 100}, {150, 100}});
    PainterSetting *dialog = PainterSetting::shared();
    dialog->show();
    dialog->findChild<QLineEdit *>(QStringLiteral("widthEdit"))->setText(QStringLiteral("5"));
    QTest::mousePress(dialog->findChild<QPushButton *>(QStringLiteral("confirmButton")), Qt::LeftButton);

    for (DrawBoard *board : {&first, &second}) {
        QCOMPARE(board->currentPenWidth(), 5);
        QCOMPARE(board->currentPenColor(), QColor(0, 0, 0, 255));
    }
    // The old stroke takes the new pen: five pixels wide now.
    const QImage canvas = first.renderCanvas();
    QVERIFY(isDark(canvas.pixel(125, 98)));
    QVERIFY(isDark(canvas.pixel(125, 101)));
    QCOMPARE(canvas.pixel(125, 104), qRgb(255, 255, 255));
}

void TestDrawBoard::laterBoardStartsBlackTwoPixels()
{
    DrawBoard early;
    Record red{{"width", 9}, {"r", 255}, {"g", 0}, {"b", 0}};
    emit PainterSetting::shared()->ack(&red);
    QCOMPARE(early.currentPenColor(), QColor(255, 0, 0));

    DrawBoard later;
    QCOMPARE(later.currentPenColor(), QColor(0, 0, 0, 255));
    QCOMPARE(later.currentPenWidth(), 2);
}

void TestDrawBoard::missingKeysReadAsZero()
{
    DrawBoard board;
    Record record{{"width", 5}, {"r", 255}, {"g", 0}, {"b", 0}};
    board.handlePainterArgs(&record);
    QCOMPARE(board.currentPenColor(), QColor(255, 0, 0, 255));

    Record empty;
    board.handlePainterArgs(&empty);
    QCOMPARE(board.currentPenWidth(), 0);
    QCOMPARE(board.currentPenColor(), QColor(0, 0, 0, 255));
    QVERIFY(empty.isEmpty());
}

void TestDrawBoard::negativeWidthPaintsWithoutHanging()
{
    DrawBoard board;
    drag(board, {{100, 200}, {300, 200}});
    Record record{{"width", -5}, {"r", 0}, {"g", 0}, {"b", 0}};
    board.handlePainterArgs(&record);
    QCOMPARE(board.currentPenWidth(), -5);

    board.show();
    QVERIFY(QTest::qWaitForWindowExposed(&board));
    board.repaint();
    const QImage canvas = board.renderCanvas();
    // The thinnest pen: a hairline, nothing two pixels off it.
    QVERIFY(canvas.pixel(200, 199) != qRgb(255, 255, 255) || canvas.pixel(200, 200) != qRgb(255, 255, 255));
    QCOMPARE(canvas.pixel(200, 202), qRgb(255, 255, 255));
    QCOMPARE(canvas.pixel(200, 197), qRgb(255, 255, 255));
}

void TestDrawBoard::saveWritesCanvasOverWhite()
{
    DrawBoard board;
    auto opened = answerFileDialog(goodPicture);
    board.openFile();
    QCOMPARE(opened->caption, QStringLiteral("openfile"));
    QCOMPARE(opened->filters, QStringList{QStringLiteral("picture(*.png *.jpg)")});
    QVERIFY(board.currentPicture());
    QCOMPARE(board.currentPicture()->size(), QSize(60, 40));

    drag(board, {{200, 150}, {300, 150}});
    const QString target = dir.filePath(QStringLiteral("saved/canvas.png"));
    auto saved = answerFileDialog(target);
    board.save();
    QCOMPARE(saved->caption, QStringLiteral("saveFile"));
    QCOMPARE(saved->filters, QStringList{QStringLiteral("picture(*.png *.jpg)")});

    const QImage written(target);
    QCOMPARE(written.size(), QSize(400, 300));
    const QImage picture = patternPicture(QSize(60, 40));
    // The picture lies at (0, 0) although the menu and tool bars cover that corner on screen.
    QCOMPARE(written.pixel(0, 0), picture.pixel(0, 0));
    QCOMPARE(written.pixel(59, 39), picture.pixel(59, 39));
    QCOMPARE(written.pixel(60, 40), qRgb(255, 255, 255));
    QCOMPARE(written.pixel(399, 299), qRgb(255, 255, 255));
    QVERIFY(isDark(written.pixel(250, 150)));
    QCOMPARE(written.pixel(250, 160), qRgb(255, 255, 255));

    // A name ending in .jpg gives a JPEG file.
    const QString jpeg = dir.filePath(QStringLiteral("saved/canvas.jpg"));
    answerFileDialog(jpeg);
    board.save();
    QFile file(jpeg);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.read(3), QByteArray::fromHex("ffd8ff"));
}

void TestDrawBoard::openAndSaveRememberTheirOwnDirectories()
{
    DrawBoard board;
    answerFileDialog(goodPicture);
    board.openFile();
    answerFileDialog(dir.filePath(QStringLiteral("saved/first.png")));
    board.save();

    auto nextSave = answerFileDialog(QString());
    board.save();
    QCOMPARE(nextSave->directory, QDir(dir.filePath(QStringLiteral("saved"))).absolutePath());
    auto nextOpen = answerFileDialog(QString());
    board.openFile();
    QCOMPARE(nextOpen->directory, QDir(dir.filePath(QStringLiteral("pictures"))).absolutePath());
}

void TestDrawBoard::cancelledOpenKeepsPicture()
{
    DrawBoard board;
    answerFileDialog(goodPicture);
    board.openFile();
    tool(board, "rotateAction")->trigger();
    const QPixmap *before = board.currentPicture();

    answerFileDialog(QString());
    board.openFile();
    QCOMPARE(board.currentPicture(), before);
    QCOMPARE(board.currentPicture()->size(), QSize(60, 40));
    QCOMPARE(board.pictureRotation(), 90.0);
}

void TestDrawBoard::badFilesGiveNullPicture_data()
{
    QTest::addColumn<QByteArray>("contents");

    const QByteArray png = pngBytes(patternPicture(QSize(60, 40)));
    QTest::newRow("not a picture") << QByteArray("hello, I am text\n");
    QTest::newRow("truncated png") << png.left(png.size() * 2 / 3);
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("bomb") << bombPng();
}

void TestDrawBoard::badFilesGiveNullPicture()
{
    QFETCH(QByteArray, contents);
    const QString path = dir.filePath(QStringLiteral("pictures/bad-%1.png").arg(QTest::currentDataTag()));
    QVERIFY(writeFile(path, contents));

    DrawBoard board;
    drag(board, {{100, 100}, {200, 100}});
    answerFileDialog(goodPicture);
    board.openFile();
    QVERIFY(!board.currentPicture()->isNull());
    answerFileDialog(path);
    board.openFile();

    QVERIFY(board.currentPicture());
    QVERIFY(board.currentPicture()->isNull());
    // Only the strokes remain on the canvas.
    const QImage canvas = board.renderCanvas();
    QCOMPARE(canvas.pixel(5, 5), qRgb(255, 255, 255));
    QVERIFY(isDark(canvas.pixel(150, 100)));
}

QTEST_MAIN(TestDrawBoard)
#include "tst_drawboard.moc"
