#include "capture/Magnifier.h"
#include "capture/OverlayDecorations.h"
#include "capture/RegionGeometry.h"
#include "capture/SelectionGeometry.h"
#include "capture/SelectionTracker.h"

#include <QColor>
#include <QtTest>

namespace {
const QRect screen(0, 0, 1920, 1080);
// The selection whose inside is (101, 101) to (299, 199), as a drag from (100, 100) to (300, 200).
const Selection base{QPoint(100, 100), QPoint(300, 200)};
} // namespace

Q_DECLARE_METATYPE(Selection)
Q_DECLARE_METATYPE(SelectionPart)

class TestSelectionGeometry : public QObject
{
    Q_OBJECT

private slots:
    void draggingAPart_data();
    void draggingAPart();
    void keysNudgeAndResize_data();
    void keysNudgeAndResize();
    void pressesFindTheirPart_data();
    void pressesFindTheirPart();
    void windowsMapOntoTheOverlay_data();
    void windowsMapOntoTheOverlay();
    void windowUnderThePointer();
    void clicksAndDrags();
    void magnifierStaysOnScreenAndOffThePointer_data();
    void magnifierStaysOnScreenAndOffThePointer();
    void readoutSaysTheCopiedSize();
    void trackerRepaintsOnlyWhatChanged();
};

void TestSelectionGeometry::draggingAPart_data()
{
    QTest::addColumn<SelectionPart>("part");
    QTest::addColumn<QPoint>("delta");
    QTest::addColumn<Selection>("expected");
    QTest::newRow("bottom-right handle") << SelectionPart::BottomRight << QPoint(40, 30)
                                         << Selection{QPoint(100, 100), QPoint(340, 230)};
    QTest::newRow("top edge only moves vertically") << SelectionPart::Top << QPoint(25, -20)
                                                    << Selection{QPoint(100, 80), QPoint(300, 200)};
    QTest::newRow("left past the right edge turns over") << SelectionPart::Left << QPoint(250, 0)
                                                         << Selection{QPoint(300, 100), QPoint(350, 200)};
    QTest::newRow("handle stops one pixel off the screen") << SelectionPart::TopLeft << QPoint(-500, -500)
                                                           << Selection{QPoint(-1, -1), QPoint(300, 200)};
    QTest::newRow("moved") << SelectionPart::Inside << QPoint(40, 30) << Selection{QPoint(140, 130), QPoint(340, 230)};
    QTest::newRow("moved against the edge keeps its size") << SelectionPart::Inside << QPoint(2000, -500)
                                                           << Selection{QPoint(1720, -1), QPoint(1920, 99)};
    QTest::newRow("outside does nothing") << SelectionPart::Outside << QPoint(40, 30) << base;
}

void TestSelectionGeometry::draggingAPart()
{
    QFETCH(SelectionPart, part);
    QFETCH(QPoint, delta);
    QFETCH(Selection, expected);
    const Selection result = dragged(base, part, delta, screen);
    QCOMPARE(result.start, expected.start);
    QCOMPARE(result.end, expected.end);
}

void TestSelectionGeometry::keysNudgeAndResize_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("resize");
    QTest::addColumn<int>("step");
    QTest::addColumn<QRect>("copied");
    QTest::newRow("right") << int(Qt::Key_Right) << false << 1 << QRect(102, 101, 199, 99);
    QTest::newRow("up by ten") << int(Qt::Key_Up) << false << 10 << QRect(101, 91, 199, 99);
    QTest::newRow("grow right") << int(Qt::Key_Right) << true << 1 << QRect(101, 101, 200, 99);
    QTest::newRow("shrink bottom by ten") << int(Qt::Key_Up) << true << 10 << QRect(101, 101, 199, 89);
    QTest::newRow("other keys do nothing") << int(Qt::Key_A) << false << 1 << QRect(101, 101, 199, 99);
}

void TestSelectionGeometry::keysNudgeAndResize()
{
    QFETCH(int, key);
    QFETCH(bool, resize);
    QFETCH(int, step);
    QFETCH(QRect, copied);
    const Selection result = nudged(base, key, resize, step, screen);
    QCOMPARE(copyGrabRect(result.start, result.end), copied);

    // Never shrunk away, never pushed off the screen.
    const Selection thin = nudged({QPoint(10, 10), QPoint(13, 13)}, Qt::Key_Left, true, 10, screen);
    QCOMPARE(copyGrabRect(thin.start, thin.end), QRect(11, 11, 1, 2));
    const Selection atEdge = nudged({QPoint(-1, 10), QPoint(50, 60)}, Qt::Key_Left, false, 10, screen);
    QCOMPARE(atEdge.start, QPoint(-1, 10));
}

void TestSelectionGeometry::pressesFindTheirPart_data()
{
    QTest::addColumn<QPoint>("press");
    QTest::addColumn<SelectionPart>("part");
    QTest::newRow("top-left corner") << QPoint(102, 98) << SelectionPart::TopLeft;
    QTest::newRow("right middle") << QPoint(300, 150) << SelectionPart::Right;
    QTest::newRow("bottom middle") << QPoint(203, 204) << SelectionPart::Bottom;
    QTest::newRow("inside") << QPoint(150, 120) << SelectionPart::Inside;
    QTest::newRow("outside") << QPoint(400, 400) << SelectionPart::Outside;
}

void TestSelectionGeometry::pressesFindTheirPart()
{
    QFETCH(QPoint, press);
    QFETCH(SelectionPart, part);
    QCOMPARE(partAt(base, press, 5), part);
}

void TestSelectionGeometry::windowsMapOntoTheOverlay_data()
{
    QTest::addColumn<QRect>("frame");
    QTest::addColumn<QRect>("screenArea");
    QTest::addColumn<QSize>("overlay");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("X11, first screen") << QRect(100, 50, 640, 480) << QRect(0, 0, 1920, 1080) << QSize(1920, 1080)
                                       << QRect(100, 50, 640, 480);
    QTest::newRow("second screen") << QRect(2000, 10, 300, 200) << QRect(1920, 0, 1280, 1024) << QSize(1280, 1024)
                                   << QRect(80, 10, 300, 200);
    QTest::newRow("Wayland output at scale 2") << QRect(1000, 100, 301, 200) << QRect(960, 0, 960, 540)
                                               << QSize(1920, 1080) << QRect(80, 200, 602, 400);
}

void TestSelectionGeometry::windowsMapOntoTheOverlay()
{
    QFETCH(QRect, frame);
    QFETCH(QRect, screenArea);
    QFETCH(QSize, overlay);
    QFETCH(QRect, expected);
    QCOMPARE(frameOnOverlay(frame, screenArea, overlay), expected);
}

void TestSelectionGeometry::windowUnderThePointer()
{
    // Top first: the upper window wins where both are; a window is clipped to the screen; where
    // there is none, the whole screen.
    const QVector<QRect> frames{QRect(200, 150, 400, 300), QRect(100, 100, 1000, 700), QRect(1800, 900, 400, 400)};
    QCOMPARE(frameAt(frames, QPoint(250, 200), screen), QRect(200, 150, 400, 300));
    QCOMPARE(frameAt(frames, QPoint(150, 120), screen), QRect(100, 100, 1000, 700));
    QCOMPARE(frameAt(frames, QPoint(1900, 1000), screen), QRect(1800, 900, 120, 180));
    QCOMPARE(frameAt(frames, QPoint(50, 50), screen), screen);
    // Its selection copies exactly the frame.
    const Selection around = selectionAround(QRect(200, 150, 400, 300));
    QCOMPARE(copyGrabRect(around.start, around.end), QRect(200, 150, 400, 300));
}

void TestSelectionGeometry::clicksAndDrags()
{
    QVERIFY(isClick(QPoint(100, 100), QPoint(103, 97)));
    QVERIFY(!isClick(QPoint(100, 100), QPoint(104, 100)));
    QVERIFY(!isClick(QPoint(100, 100), QPoint(100, 96)));
}

void TestSelectionGeometry::magnifierStaysOnScreenAndOffThePointer_data()
{
    QTest::addColumn<QPoint>("pointer");
    QTest::newRow("middle") << QPoint(800, 500);
    QTest::newRow("right edge") << QPoint(1915, 300);
    QTest::newRow("bottom-right corner") << QPoint(1919, 1079);
    QTest::newRow("top-left corner") << QPoint(0, 0);
}

void TestSelectionGeometry::magnifierStaysOnScreenAndOffThePointer()
{
    QFETCH(QPoint, pointer);
    const QRect box = magnifierBox(pointer, screen);
    QVERIFY(screen.contains(box));
    QVERIFY(!box.adjusted(-4, -4, 4, 4).contains(pointer));
    QVERIFY(box.width() >= magnifiedPixels * magnifiedPixelSize);
}

void TestSelectionGeometry::readoutSaysTheCopiedSize()
{
    QCOMPARE(sizeReadout(base), QStringLiteral("199 × 99"));
    QCOMPARE(colourName(QColor(0x0a, 0xbc, 0xde)), QStringLiteral("#0ABCDE"));
    // Above the selection where there is room, inside it at the top of the screen.
    QVERIFY(sizeReadoutBox(base, screen, 1).bottom() < base.start.y());
    const Selection top{QPoint(-1, -1), QPoint(500, 400)};
    const QRect box = sizeReadoutBox(top, screen, 1);
    QVERIFY(screen.contains(box));
    QVERIFY(box.top() > 0);
}

void TestSelectionGeometry::trackerRepaintsOnlyWhatChanged()
{
    const QRect screen(0, 0, 1920, 1080);
    SelectionTracker tracker(screen, 1);
    tracker.setWindowFrames({QRect(100, 100, 400, 300)});
    // Over the window: its outline comes; moving within it changes nothing on the screen.
    QVERIFY(tracker.hover(QPoint(200, 200)).contains(QPoint(100, 100)));
    QVERIFY(tracker.hover(QPoint(300, 250)).isEmpty());
    // A click takes it; the chosen selection gets its handles, not a repaint of the whole screen.
    tracker.press(QPoint(300, 250));
    QVERIFY(tracker.move(QPoint(302, 251)).isEmpty());
    const QRegion chosen = tracker.release(QPoint(302, 251));
    QCOMPARE(tracker.mode(), SelectionTracker::Mode::Chosen);
    QCOMPARE(copyGrabRect(tracker.selection().start, tracker.selection().end), QRect(100, 100, 400, 300));
    QVERIFY(chosen.contains(QPoint(99, 99)) && !chosen.contains(QPoint(300, 250)));
    QVERIFY(!chosen.contains(QPoint(1500, 900)));
    // Moved by its inside: the old and the new edges, never the far screen.
    QCOMPARE(tracker.press(QPoint(300, 250)), QRegion());
    QCOMPARE(tracker.mode(), SelectionTracker::Mode::Adjusting);
    const QRegion moved = tracker.move(QPoint(310, 250));
    QVERIFY(moved.contains(QPoint(100, 200)) && moved.contains(QPoint(110, 200)));
    QVERIFY(!moved.contains(QPoint(300, 250)) && !moved.contains(QPoint(1500, 900)));
    tracker.release(QPoint(310, 250));
    QCOMPARE(tracker.cursorShape(QPoint(509, 399)), Qt::SizeFDiagCursor);
    QVERIFY(tracker.nudge(Qt::Key_Left, false, 10).contains(QPoint(100, 200)));
    QCOMPARE(tracker.selection().start, QPoint(99, 99));
    QVERIFY(tracker.clear().contains(QPoint(99, 99)));
    QVERIFY(!tracker.hasSelection());
}

QTEST_MAIN(TestSelectionGeometry)
#include "tst_selection_geometry.moc"
