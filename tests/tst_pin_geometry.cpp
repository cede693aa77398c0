#include "pin/PinGeometry.h"

#include <QTest>

// The arithmetic behind a pin's wheel: zoom and opacity steps and their bounds, the zoom about the
// pointer, and how a picture from outside is fitted and placed on its screen.
class PinGeometryTest : public QObject
{
    Q_OBJECT

private slots:
    void zoomStepsStayInBounds_data();
    void zoomStepsStayInBounds();
    void opacityStepsStayInBounds_data();
    void opacityStepsStayInBounds();
    void wheelTurnsAddUpToNotches_data();
    void wheelTurnsAddUpToNotches();
    void zoomKeepsPointUnderPointer_data();
    void zoomKeepsPointUnderPointer();
    void zoomedSizeRounds_data();
    void zoomedSizeRounds();
    void largePicturesFitTheScreen_data();
    void largePicturesFitTheScreen();
    void placedAtPointerWithinScreen_data();
    void placedAtPointerWithinScreen();
};

void PinGeometryTest::zoomStepsStayInBounds_data()
{
    QTest::addColumn<int>("percent");
    QTest::addColumn<int>("steps");
    QTest::addColumn<int>("expected");
    QTest::newRow("one up") << 100 << 1 << 110;
    QTest::newRow("three up") << 100 << 3 << 130;
    QTest::newRow("one down") << 100 << -1 << 90;
    QTest::newRow("down to the smallest") << 20 << -1 << 10;
    QTest::newRow("not below the smallest") << 10 << -3 << 10;
    QTest::newRow("up to the largest") << 790 << 1 << 800;
    QTest::newRow("not above the largest") << 800 << 5 << 800;
    QTest::newRow("from a fitted zoom") << 47 << 1 << 57;
    QTest::newRow("fitted zoom near the bottom") << 14 << -1 << 10;
}

void PinGeometryTest::zoomStepsStayInBounds()
{
    QFETCH(int, percent);
    QFETCH(int, steps);
    QFETCH(int, expected);
    QCOMPARE(pin::steppedZoom(percent, steps), expected);
}

void PinGeometryTest::opacityStepsStayInBounds_data()
{
    QTest::addColumn<int>("percent");
    QTest::addColumn<int>("steps");
    QTest::addColumn<int>("expected");
    QTest::newRow("fainter") << 100 << -1 << 90;
    QTest::newRow("not above opaque") << 100 << 2 << 100;
    QTest::newRow("not below the faintest") << 20 << -4 << 10;
    QTest::newRow("back up") << 10 << 3 << 40;
}

void PinGeometryTest::opacityStepsStayInBounds()
{
    QFETCH(int, percent);
    QFETCH(int, steps);
    QFETCH(int, expected);
    QCOMPARE(pin::steppedOpacity(percent, steps), expected);
}

void PinGeometryTest::wheelTurnsAddUpToNotches_data()
{
    QTest::addColumn<QList<int>>("turns");
    QTest::addColumn<QList<int>>("steps");
    QTest::newRow("whole notches") << QList<int>{120, 240, -120} << QList<int>{1, 2, -1};
    QTest::newRow("fractions add up") << QList<int>{40, 40, 40, 40} << QList<int>{0, 0, 1, 0};
    QTest::newRow("backwards in fractions") << QList<int>{-60, -60} << QList<int>{0, -1};
    QTest::newRow("a turn back cancels") << QList<int>{90, -90, 90} << QList<int>{0, 0, 0};
}

void PinGeometryTest::wheelTurnsAddUpToNotches()
{
    QFETCH(QList<int>, turns);
    QFETCH(QList<int>, steps);
    int pending = 0;
    QList<int> seen;
    for (const int turn : turns)
        seen << pin::wheelSteps(turn, &pending);
    QCOMPARE(seen, steps);
}

void PinGeometryTest::zoomKeepsPointUnderPointer_data()
{
    QTest::addColumn<QPointF>("topLeft");
    QTest::addColumn<QPointF>("pointer");
    QTest::addColumn<QList<int>>("zooms"); // the first is where it starts
    QTest::newRow("three steps up about the middle") << QPointF(100, 100) << QPointF(200, 150)
                                                     << QList<int>{100, 110, 120, 130};
    QTest::newRow("up and back down") << QPointF(100, 100) << QPointF(151, 126)
                                      << QList<int>{100, 110, 120, 130, 120, 110, 100};
    QTest::newRow("about the top-left corner") << QPointF(100, 100) << QPointF(100, 100) << QList<int>{100, 800};
    QTest::newRow("down to the smallest about an edge") << QPointF(-50, 30) << QPointF(1869, 600)
                                                        << QList<int>{100, 50, 10};
    QTest::newRow("from a fitted zoom") << QPointF(7, 9) << QPointF(123, 45) << QList<int>{47, 57, 67};
}

void PinGeometryTest::zoomKeepsPointUnderPointer()
{
    QFETCH(QPointF, topLeft);
    QFETCH(QPointF, pointer);
    QFETCH(QList<int>, zooms);
    // The picture's own point (at 100 %) under the pointer.
    const auto pictureUnderPointer = [&](const QPointF &place, int percent) {
        return (pointer - place) * (100.0 / percent);
    };
    const QPointF held = pictureUnderPointer(topLeft, zooms.first());
    QPointF place = topLeft;
    for (int i = 1; i < zooms.size(); ++i) {
        place = pin::zoomedTopLeft(place, zooms[i - 1], zooms[i], pointer);
        const QPointF now = pictureUnderPointer(place, zooms[i]);
        QVERIFY2(std::abs(now.x() - held.x()) < 1e-9 && std::abs(now.y() - held.y()) < 1e-9,
                 qPrintable(QStringLiteral("step %1").arg(i)));
    }
    if (zooms.last() == zooms.first())
        QVERIFY(std::abs(place.x() - topLeft.x()) < 1e-9 && std::abs(place.y() - topLeft.y()) < 1e-9);
}

void PinGeometryTest::zoomedSizeRounds_data()
{
    QTest::addColumn<QSizeF>("natural");
    QTest::addColumn<int>("percent");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("as it is") << QSizeF(200, 100) << 100 << QSize(200, 100);
    QTest::newRow("130 %") << QSizeF(200, 100) << 130 << QSize(260, 130);
    QTest::newRow("a scale-2 region") << QSizeF(100.5, 50) << 100 << QSize(101, 50);
    QTest::newRow("never empty") << QSizeF(3, 2) << 10 << QSize(1, 1);
    QTest::newRow("largest") << QSizeF(1920, 1080) << 800 << QSize(15360, 8640);
}

void PinGeometryTest::zoomedSizeRounds()
{
    QFETCH(QSizeF, natural);
    QFETCH(int, percent);
    QFETCH(QSize, expected);
    QCOMPARE(pin::zoomedSize(natural, percent), expected);
}

void PinGeometryTest::largePicturesFitTheScreen_data()
{
    QTest::addColumn<QSizeF>("natural");
    QTest::addColumn<QSize>("room");
    QTest::addColumn<int>("zoom");
    QTest::newRow("fits as it is") << QSizeF(800, 600) << QSize(1918, 1038) << 100;
    QTest::newRow("exactly the room") << QSizeF(1918, 1038) << QSize(1918, 1038) << 100;
    QTest::newRow("too wide") << QSizeF(3836, 1000) << QSize(1918, 1038) << 50;
    QTest::newRow("too tall") << QSizeF(1000, 4000) << QSize(1918, 1038) << 25;
    QTest::newRow("both, the tighter wins") << QSizeF(7680, 4320) << QSize(1918, 1038) << 24;
    QTest::newRow("not below the smallest zoom") << QSizeF(100000, 100) << QSize(1918, 1038) << 10;
}

void PinGeometryTest::largePicturesFitTheScreen()
{
    QFETCH(QSizeF, natural);
    QFETCH(QSize, room);
    QFETCH(int, zoom);
    QCOMPARE(pin::fittingZoom(natural, room), zoom);
    const QSize shown = pin::zoomedSize(natural, zoom);
    if (zoom > pin::smallestZoomPercent)
        QVERIFY(shown.width() <= room.width() && shown.height() <= room.height());
}

void PinGeometryTest::placedAtPointerWithinScreen_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("pointer");
    QTest::addColumn<QRect>("area");
    QTest::addColumn<QPoint>("expected");
    const QRect screen(0, 0, 1920, 1040);
    QTest::newRow("room at the pointer") << QSize(200, 100) << QPoint(300, 300) << screen << QPoint(300, 300);
    QTest::newRow("pushed left and up") << QSize(200, 100) << QPoint(1900, 1000) << screen << QPoint(1720, 940);
    QTest::newRow("second screen") << QSize(200, 100) << QPoint(3100, 5) << QRect(1920, 0, 1280, 1024)
                                   << QPoint(3000, 5);
    QTest::newRow("larger than the area") << QSize(2000, 2000) << QPoint(50, 50) << screen << QPoint(0, 0);
}

void PinGeometryTest::placedAtPointerWithinScreen()
{
    QFETCH(QSize, size);
    QFETCH(QPoint, pointer);
    QFETCH(QRect, area);
    QFETCH(QPoint, expected);
    QCOMPARE(pin::placeWithin(size, pointer, area), expected);
}

QTEST_APPLESS_MAIN(PinGeometryTest)
#include "tst_pin_geometry.moc"
