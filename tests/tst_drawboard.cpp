// The drawing board as a user drives it: tools, mouse gestures, the shared pen settings, and what
// reaches the screen. (Opening and saving pictures are in tst_board_files.)
#include "board/DrawBoard.h"

#include "common/BackgroundSave.h"
#include "settings/PainterSetting.h"

#include "TestSupport.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QEventLoop>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QMenuBar>
#include <QPaintEvent>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QtTest>

namespace {

using Record = QHash<QString, int>;
using Strokes = QVector<QVector<QPoint>>;

QAction *tool(DrawBoard &board, const char *name)
{
    return board.findChild<QAction *>(QLatin1String(name));
}

void drag(DrawBoard &board, const QVector<QPoint> &path, Qt::MouseButton button = Qt::LeftButton)
{
    support::drag(&board, path, button);
}

// Counts the paint events a widget receives, and what they covered.
struct PaintCounter : QObject
{
    explicit PaintCounter(QWidget *widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            ++count;
            painted += static_cast<QPaintEvent *>(event)->region();
        }
        return false;
    }
    int count = 0;
    QRegion painted;
};

// How often the event loop wakes in half a second with nothing to do (not qWait, which wakes
// itself every few milliseconds). A board repainting at the display's rate wakes about 30 times.
int wakeUpsWhileIdle()
{
    int wakeUps = 0;
    const auto counting = QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake,
                                           [&wakeUps] { ++wakeUps; });
    QEventLoop idle;
    QTimer::singleShot(500, &idle, &QEventLoop::quit);
    idle.exec();
    QObject::disconnect(counting);
    return wakeUps;
}

} // namespace

class TestDrawBoard : public QObject
{
    Q_OBJECT

private slots:
    void newBoardStartsEmpty();
    void gestureMakesOneStroke_data();
    void gestureMakesOneStroke();
    void doubleClickMakesTwoStrokes();
    void moveModeDragsRelativeToCommittedOffset();
    void moveToolSwitchesModeAndIcon();
    void rotateAndScaleTools();
    void penToolShowsSharedDialogOnlyWhenHidden();
    void oneConfirmationChangesEveryBoard();
    void laterBoardStartsBlackTwoPixels();
    void missingKeysReadAsZero();
    void screenFollowsEveryChangeButIdleBoardDoesNotPaint();
    void newPointsRepaintOnlyTheirSegments();
    void closedBoardRestsUntilShownAgain();
    void undoAndRedoStrokes();
    void closingAsksForUnsavedDrawing_data();
    void closingAsksForUnsavedDrawing();
};

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

void TestDrawBoard::gestureMakesOneStroke_data()
{
    QTest::addColumn<QVector<QPoint>>("path");
    QTest::addColumn<int>("button");
    QTest::addColumn<QVector<QPoint>>("stroke");
    // Press, every move and release each add a point.
    QTest::newRow("left drag") << QVector<QPoint>{{10, 10}, {20, 10}, {30, 15}} << int(Qt::LeftButton)
                               << QVector<QPoint>{{10, 10}, {20, 10}, {30, 15}, {30, 15}};
    QTest::newRow("click") << QVector<QPoint>{{200, 150}} << int(Qt::LeftButton)
                           << QVector<QPoint>{{200, 150}, {200, 150}};
    QTest::newRow("right drag draws too") << QVector<QPoint>{{50, 60}, {70, 80}} << int(Qt::RightButton)
                                          << QVector<QPoint>{{50, 60}, {70, 80}, {70, 80}};
}

void TestDrawBoard::gestureMakesOneStroke()
{
    QFETCH(QVector<QPoint>, path);
    QFETCH(int, button);
    QFETCH(QVector<QPoint>, stroke);
    DrawBoard board;
    drag(board, path, Qt::MouseButton(button));
    QCOMPARE(board.penStrokes(), Strokes{stroke});
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

void TestDrawBoard::moveModeDragsRelativeToCommittedOffset()
{
    DrawBoard board;
    tool(board, "moveAction")->trigger();

    QTest::mousePress(&board, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    support::moveWithButtons(&board, QPoint(150, 120), Qt::LeftButton);
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
    QVERIFY(support::isDark(canvas.pixel(125, 98)));
    QVERIFY(support::isDark(canvas.pixel(125, 101)));
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

void TestDrawBoard::screenFollowsEveryChangeButIdleBoardDoesNotPaint()
{
    // Every change reaches the screen, and a board with nothing to show neither paints nor wakes.
    DrawBoard board;
    board.show();
    QVERIFY(QTest::qWaitForWindowExposed(&board));
    auto onScreen = [&board] { return board.screen()->grabWindow(board.winId()).toImage(); };
    const QPoint probe(200, 150);

    drag(board, {QPoint(150, 150), QPoint(250, 150)});
    QTRY_VERIFY(support::isDark(onScreen().pixel(probe)));
    Record red{{QStringLiteral("width"), 6}, {QStringLiteral("r"), 255}, {QStringLiteral("g"), 0}, {QStringLiteral("b"), 0}};
    board.handlePainterArgs(&red);
    QTRY_COMPARE(QColor(onScreen().pixel(probe)), QColor(Qt::red));

    QTest::qWait(100); // settled
    PaintCounter paints(&board);
    const int wakeUps = wakeUpsWhileIdle();
    QCOMPARE(paints.count, 0);
    QVERIFY2(wakeUps < 10, qPrintable(QString::number(wakeUps)));
    drag(board, {QPoint(150, 200), QPoint(250, 200)});
    QTRY_VERIFY(paints.count > 0);
    QTRY_COMPARE(QColor(onScreen().pixel(200, 200)), QColor(Qt::red));
}

void TestDrawBoard::newPointsRepaintOnlyTheirSegments()
{
    // The strokes are kept drawn: a new point repaints its own segment, not the whole window with
    // every stroke again. A new pen recolours every stroke, so that repaints everything.
    DrawBoard board;
    board.show();
    QVERIFY(QTest::qWaitForWindowExposed(&board));
    drag(board, {QPoint(100, 100), QPoint(300, 100)});
    PaintCounter paints(&board);
    QTRY_VERIFY(paints.count > 0);
    QTest::qWait(100); // settled: everything drawn so far is on screen

    paints.painted = QRegion();
    support::sendMouse(&board, QEvent::MouseButtonPress, QPoint(150, 200), Qt::LeftButton, Qt::LeftButton);
    support::moveWithButtons(&board, QPoint(160, 205), Qt::LeftButton);
    QTRY_VERIFY(!paints.painted.isEmpty());
    QVERIFY(QRect(140, 190, 30, 25).contains(paints.painted.boundingRect()));
    support::sendMouse(&board, QEvent::MouseButtonRelease, QPoint(160, 205), Qt::LeftButton, Qt::NoButton);

    Record red{{QStringLiteral("width"), 6}, {QStringLiteral("r"), 255}, {QStringLiteral("g"), 0}, {QStringLiteral("b"), 0}};
    board.handlePainterArgs(&red);
    QTRY_VERIFY((QRegion(board.rect()) - paints.painted).isEmpty());
}

void TestDrawBoard::closedBoardRestsUntilShownAgain()
{
    // Closing only hides a board, and boards live to the end of the run: a closed one must not
    // keep waking the program at the display's refresh rate.
    DrawBoard board;
    board.show();
    QVERIFY(QTest::qWaitForWindowExposed(&board));
    QTest::qWait(100);
    board.close();
    QTest::qWait(100);
    const int wakeUps = wakeUpsWhileIdle();
    QVERIFY2(wakeUps < 10, qPrintable(QString::number(wakeUps)));

    // Shown again, it picks up what changed meanwhile.
    drag(board, {QPoint(150, 150), QPoint(250, 150)});
    board.show();
    QVERIFY(QTest::qWaitForWindowExposed(&board));
    QTRY_VERIFY(support::isDark(board.screen()->grabWindow(board.winId()).toImage().pixel(200, 150)));
}

void TestDrawBoard::undoAndRedoStrokes()
{
    DrawBoard board;
    board.show();
    QVERIFY(QTest::qWaitForWindowExposed(&board));
    QVERIFY(QTest::qWaitFor([&board] {
        QApplication::setActiveWindow(&board);
        return board.isActiveWindow();
    }));
    drag(board, {QPoint(150, 100), QPoint(250, 100)});
    drag(board, {QPoint(150, 200), QPoint(250, 200)});
    const Strokes drawn = board.penStrokes();
    QCOMPARE(drawn.size(), 2);
    auto onScreen = [&board](int y) { return support::isDark(board.grab().toImage().pixel(200, y)); };
    QVERIFY(onScreen(100) && onScreen(200));

    QTest::keyClick(&board, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(board.penStrokes(), drawn.mid(0, 1));
    // Gone from the screen too, not only from the strokes.
    QVERIFY(onScreen(100));
    QVERIFY(!onScreen(200));
    QTest::keyClick(&board, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(&board, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(board.penStrokes().isEmpty());
    QVERIFY(!onScreen(100));

    QTest::keyClick(&board, Qt::Key_Y, Qt::ControlModifier);
    QTest::keyClick(&board, Qt::Key_Y, Qt::ControlModifier);
    QTest::keyClick(&board, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(board.penStrokes(), drawn);
    QVERIFY(onScreen(100) && onScreen(200));

    // A new stroke after an undo: what was taken away does not come back over it.
    QTest::keyClick(&board, Qt::Key_Z, Qt::ControlModifier);
    drag(board, {QPoint(150, 250), QPoint(250, 250)});
    QTest::keyClick(&board, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(board.penStrokes().size(), 2);
    QCOMPARE(board.penStrokes().first(), drawn.first());
    QVERIFY(!onScreen(200));
    QVERIFY(onScreen(250));
}

void TestDrawBoard::closingAsksForUnsavedDrawing_data()
{
    QTest::addColumn<int>("strokes");
    QTest::addColumn<int>("undone");
    QTest::addColumn<bool>("savedBefore");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("closed");

    QTest::newRow("empty board") << 0 << 0 << false << int(QMessageBox::Cancel) << false << true;
    QTest::newRow("every stroke undone") << 1 << 1 << false << int(QMessageBox::Cancel) << false << true;
    QTest::newRow("saved") << 1 << 0 << true << int(QMessageBox::Cancel) << false << true;
    QTest::newRow("drawn on after saving") << 2 << 0 << true << int(QMessageBox::Cancel) << true << false;
    QTest::newRow("cancel keeps it") << 1 << 0 << false << int(QMessageBox::Cancel) << true << false;
    QTest::newRow("discard") << 1 << 0 << false << int(QMessageBox::Discard) << true << true;
    QTest::newRow("save") << 1 << 0 << false << int(QMessageBox::Save) << true << true;
}

void TestDrawBoard::closingAsksForUnsavedDrawing()
{
    QFETCH(int, strokes);
    QFETCH(int, undone);
    QFETCH(bool, savedBefore);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(bool, closed);

    QTemporaryDir dir;
    DrawBoard board;
    board.show();
    QVERIFY(QTest::qWaitForWindowExposed(&board));
    if (strokes > 0)
        drag(board, {QPoint(150, 100), QPoint(250, 100)});
    if (savedBefore) {
        support::FileDialogAnswerer name(dir.filePath(QStringLiteral("before.png")));
        board.save();
        QTRY_VERIFY(!isSavingPicture(&board));
        QVERIFY(!board.hasUnsavedDrawing());
    }
    for (int i = 1; i < strokes; ++i)
        drag(board, {QPoint(150, 100 + 40 * i), QPoint(250, 100 + 40 * i)});
    for (int i = 0; i < undone; ++i)
        board.undoStroke();

    const QString file = dir.filePath(QStringLiteral("closing.png"));
    support::FileDialogAnswerer name(file);
    support::MessageAnswerer question(QStringLiteral("saveQuestion"), answer);
    QCOMPARE(board.close(), closed);
    QCOMPARE(question.seen, asked ? 1 : 0);
    QCOMPARE(board.isVisible(), !closed);
    QCOMPARE(board.penStrokes().size(), strokes - undone);
    if (answer == QMessageBox::Save && asked) {
        QVERIFY(name.seen);
        QTRY_VERIFY(!isSavingPicture(&board));
        QVERIFY(support::isDark(QImage(file).pixel(200, 100)));
    } else {
        QVERIFY(!QFile::exists(file));
    }
}

QTEST_MAIN(TestDrawBoard)
#include "tst_drawboard.moc"
