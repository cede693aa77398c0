#include "capture/RegionGeometry.h"

#include "TestSupport.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QtTest>

namespace {
constexpr QRgb red = 0xffff0000;

using support::patternImage;

QImage paintedOverlay(const QImage &frozen, const QPoint &start, const QPoint &end)
{
    QImage canvas(frozen.size(), QImage::Format_RGB32);
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    paintOverlay(painter, QPixmap::fromImage(frozen), start, end);
    return canvas;
}
} // namespace

class TestRegionGeometry : public QObject
{
    Q_OBJECT

private slots:
    void buttonRowFollowsThePointer_data();
    void buttonRowFollowsThePointer();
    void grabRectangles_data();
    void grabRectangles();
    void paintsCornerMarksOverTheFrozenPicture();
    void overlayOnASecondScreenShowsThatScreen_data();
    void overlayOnASecondScreenShowsThatScreen();
    void outlineCoversExactlyThePixelsThroughBothPoints_data();
    void outlineCoversExactlyThePixelsThroughBothPoints();
    void outlineAreaHoldsEveryOutlinePixel_data();
    void outlineAreaHoldsEveryOutlinePixel();
    void renderedAreaKeepsDevicePixels();
};

void TestRegionGeometry::buttonRowFollowsThePointer_data()
{
    QTest::addColumn<QPoint>("pointer");
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<QPoint>("cancel");
    QTest::addColumn<QPoint>("save");
    QTest::addColumn<QPoint>("copy");
    const QRect fullHd(0, 0, 1920, 1080);
    QTest::newRow("middle") << QPoint(300, 200) << fullHd << QPoint(250, 220) << QPoint(300, 220) << QPoint(350, 220);
    QTest::newRow("unbounded, left edge") << QPoint(10, 100) << QRect() << QPoint(-40, 120) << QPoint(10, 120)
                                          << QPoint(60, 120);
    QTest::newRow("unbounded, off screen") << QPoint(-5, -30) << QRect() << QPoint(-55, -10) << QPoint(-5, -10)
                                           << QPoint(45, -10);
    // Near an edge the row moves inside, in the same order: right from the left edge, above the
    // pointer at the bottom, left of it at the right edge.
    QTest::newRow("left edge") << QPoint(10, 100) << fullHd << QPoint(0, 120) << QPoint(50, 120) << QPoint(100, 120);
    QTest::newRow("bottom-right corner") << QPoint(1909, 1069) << fullHd << QPoint(1795, 1024) << QPoint(1845, 1024)
                                         << QPoint(1895, 1024);
    QTest::newRow("bottom of a smaller screen") << QPoint(600, 1010) << QRect(0, 0, 1280, 1024) << QPoint(550, 965)
                                                << QPoint(600, 965) << QPoint(650, 965);
}

void TestRegionGeometry::buttonRowFollowsThePointer()
{
    QFETCH(QPoint, pointer);
    QFETCH(QRect, screen);
    QFETCH(QPoint, cancel);
    QFETCH(QPoint, save);
    QFETCH(QPoint, copy);
    const RegionButtonRow row = buttonRowAt(pointer, screen);
    const QSize size(regionButtonSize, regionButtonSize);
    QCOMPARE(row.cancel, QRect(cancel, size));
    QCOMPARE(row.save, QRect(save, size));
    QCOMPARE(row.copy, QRect(copy, size));
}

void TestRegionGeometry::grabRectangles_data()
{
    QTest::addColumn<QPoint>("start");
    QTest::addColumn<QPoint>("end");
    QTest::addColumn<QRect>("save");
    QTest::addColumn<QRect>("copy");
    const QRect save(101, 101, 198, 98);
    const QRect copy(101, 101, 199, 99);
    QTest::newRow("down right") << QPoint(100, 100) << QPoint(300, 200) << save << copy;
    QTest::newRow("up left") << QPoint(300, 200) << QPoint(100, 100) << save << copy;
    QTest::newRow("down left") << QPoint(300, 100) << QPoint(100, 200) << save << copy;
    QTest::newRow("up right") << QPoint(100, 200) << QPoint(300, 100) << save << copy;
    QTest::newRow("click") << QPoint(50, 50) << QPoint(50, 50) << QRect() << QRect();
    QTest::newRow("1 px") << QPoint(50, 50) << QPoint(51, 51) << QRect() << QRect();
    QTest::newRow("1 px reversed") << QPoint(51, 51) << QPoint(50, 50) << QRect() << QRect();
    QTest::newRow("2 px") << QPoint(50, 50) << QPoint(52, 52) << QRect() << QRect(51, 51, 1, 1);
    QTest::newRow("2 px reversed") << QPoint(52, 52) << QPoint(50, 50) << QRect() << QRect(51, 51, 1, 1);
    QTest::newRow("3 px") << QPoint(50, 50) << QPoint(53, 53) << QRect(51, 51, 1, 1) << QRect(51, 51, 2, 2);
    QTest::newRow("flat") << QPoint(10, 10) << QPoint(400, 11) << QRect() << QRect();
    QTest::newRow("thin") << QPoint(10, 10) << QPoint(12, 400) << QRect() << QRect(11, 11, 1, 389);
}

void TestRegionGeometry::grabRectangles()
{
    QFETCH(QPoint, start);
    QFETCH(QPoint, end);
    QFETCH(QRect, save);
    QFETCH(QRect, copy);
    QCOMPARE(saveGrabRect(start, end), save);
    QCOMPARE(copyGrabRect(start, end), copy);
}

void TestRegionGeometry::paintsCornerMarksOverTheFrozenPicture()
{
    const QImage frozen = patternImage(QSize(800, 600));
    const QImage painted = paintedOverlay(frozen, QPoint(), QPoint());
    const int w = frozen.width();
    for (const QPoint &mark : {QPoint(5, 5), QPoint(55, 5), QPoint(5, 55), QPoint(0, 0), QPoint(59, 9),
                               QPoint(9, 59), QPoint(w - 5, 5), QPoint(w - 55, 5), QPoint(w - 5, 55),
                               QPoint(w - 60, 9), QPoint(w - 1, 59)})
        QVERIFY2(painted.pixel(mark) == red, qPrintable(QStringLiteral("(%1,%2)").arg(mark.x()).arg(mark.y())));
    // Just past the marks, the frozen picture shows unchanged.
    for (const QPoint &clear : {QPoint(60, 5), QPoint(5, 60), QPoint(10, 10), QPoint(30, 30), QPoint(w - 61, 5),
                                QPoint(w - 5, 60), QPoint(w - 11, 10), QPoint(400, 300)})
        QCOMPARE(painted.pixel(clear), frozen.pixel(clear));
}

void TestRegionGeometry::outlineCoversExactlyThePixelsThroughBothPoints_data()
{
    QTest::addColumn<QPoint>("start");
    QTest::addColumn<QPoint>("end");
    QTest::newRow("down right") << QPoint(100, 100) << QPoint(300, 200);
    QTest::newRow("up left") << QPoint(300, 200) << QPoint(100, 100);
}

void TestRegionGeometry::outlineCoversExactlyThePixelsThroughBothPoints()
{
    QFETCH(QPoint, start);
    QFETCH(QPoint, end);
    const QImage frozen = patternImage(QSize(800, 600));
    const QImage painted = paintedOverlay(frozen, start, end);
    for (int x = 100; x <= 300; ++x) {
        QCOMPARE(painted.pixel(x, 100), red);
        QCOMPARE(painted.pixel(x, 200), red);
        QCOMPARE(painted.pixel(x, 99), frozen.pixel(x, 99));
        QCOMPARE(painted.pixel(x, 201), frozen.pixel(x, 201));
    }
    for (int y = 100; y <= 200; ++y) {
        QCOMPARE(painted.pixel(100, y), red);
        QCOMPARE(painted.pixel(300, y), red);
        QCOMPARE(painted.pixel(99, y), frozen.pixel(99, y));
        QCOMPARE(painted.pixel(301, y), frozen.pixel(301, y));
    }
    // The inside is not filled, up to the pixels next to the outline.
    QCOMPARE(painted.copy(101, 101, 199, 99), frozen.copy(101, 101, 199, 99));
}

void TestRegionGeometry::outlineAreaHoldsEveryOutlinePixel_data()
{
    QTest::addColumn<QPoint>("start");
    QTest::addColumn<QPoint>("end");
    QTest::newRow("down right") << QPoint(100, 100) << QPoint(300, 200);
    QTest::newRow("up left") << QPoint(300, 200) << QPoint(100, 100);
    QTest::newRow("click") << QPoint(150, 150) << QPoint(150, 150);
    QTest::newRow("thin") << QPoint(120, 100) << QPoint(123, 400);
}

void TestRegionGeometry::outlineAreaHoldsEveryOutlinePixel()
{
    // The continuous repaint refreshes only this area; an outline pixel outside it would stay
    // on screen after the selection moved on.
    QFETCH(QPoint, start);
    QFETCH(QPoint, end);
    const QImage frozen = patternImage(QSize(500, 500));
    const QImage painted = paintedOverlay(frozen, start, end);
    const QRegion area = outlineArea(start, end);
    for (int y = 80; y < painted.height(); ++y) // below the corner marks
        for (int x = 0; x < painted.width(); ++x)
            if (painted.pixel(x, y) != frozen.pixel(x, y))
                QVERIFY2(area.contains(QPoint(x, y)), qPrintable(QStringLiteral("(%1, %2)").arg(x).arg(y)));
    // And it is a band, not the whole selection.
    const QRect selection = normalisedSelection(start, end);
    if (selection.width() > 6 && selection.height() > 6)
        QVERIFY(!area.contains(selection.center()));
}

void TestRegionGeometry::renderedAreaKeepsDevicePixels()
{
    // A scaled screen: the frozen desktop has twice the pixels of the logical coordinates, and
    // the selection is in device pixels, so every one of them can be chosen.
    const QImage frozenDevice = patternImage(QSize(1600, 1200));
    QPixmap frozen = QPixmap::fromImage(frozenDevice);
    frozen.setDevicePixelRatio(2.0);
    const QPoint start(101, 101), end(301, 201);

    const QImage picture = renderOverlayArea(frozen, start, end, copyGrabRect(start, end));
    QCOMPARE(picture.size(), QSize(199, 99));
    QCOMPARE(picture.devicePixelRatio(), 2.0);
    // Not a pixel of the outline reaches inside.
    QCOMPARE(support::asRgb32(picture), frozenDevice.copy(102, 102, 199, 99));
}

void TestRegionGeometry::overlayOnASecondScreenShowsThatScreen_data()
{
    QTest::addColumn<qreal>("ratio");
    QTest::newRow("unscaled") << 1.0;
    QTest::newRow("scaled twice") << 2.0;
}

void TestRegionGeometry::overlayOnASecondScreenShowsThatScreen()
{
    // Two screens of 400x300 device pixels side by side: the frozen desktop spans both, and an
    // overlay shown on the right one must show and take that screen's pixels, one device pixel
    // for one, with its marks in its own corners.
    QFETCH(qreal, ratio);
    const QImage desktop = patternImage(QSize(800, 300));
    const OverlayPlacement rightScreen{QRect(400, 0, 400, 300), ratio};
    QImage shown(QSize(400, 300), QImage::Format_RGB32);
    shown.setDevicePixelRatio(ratio);  // the painter's coordinates are logical
    shown.fill(Qt::black);
    QPainter painter(&shown);
    const QPoint start(30, 40), end(130, 90);
    paintOverlay(painter, QPixmap::fromImage(desktop), start, end, rightScreen);
    painter.end();
    QCOMPARE(shown.pixel(5, 5), red);
    QCOMPARE(shown.pixel(394, 5), red);
    QCOMPARE(shown.pixel(200, 250), desktop.pixel(600, 250));

    const QRect grab = copyGrabRect(start, end);
    const QImage copy = renderOverlayArea(QPixmap::fromImage(desktop), start, end, grab, rightScreen);
    QCOMPARE(support::asRgb32(copy), desktop.copy(grab.translated(400, 0)));
}

QTEST_MAIN(TestRegionGeometry)
#include "tst_region_geometry.moc"
