#include "longshot/PointerRest.h"
#include "platform/wayland/PointerPlacement.h"

#include <QtTest>

// Where the wlroots virtual pointer of a long screenshot is sent: device points of the desktop
// (each screen at its logical top-left, with its device pixels' size) turned into a point of the
// compositor's layout box, measured from its top-left corner; and where it waits between wheel
// steps, its picture clear of the region.
class TestPointerPlacement : public QObject
{
    Q_OBJECT

private slots:
    void devicePointBecomesLayoutPoint_data();
    void devicePointBecomesLayoutPoint();
    void pointerRestsOutsideTheRegion_data();
    void pointerRestsOutsideTheRegion();
};

using Screens = QVector<ScreenPlace>;
Q_DECLARE_METATYPE(Screens)

void TestPointerPlacement::devicePointBecomesLayoutPoint_data()
{
    QTest::addColumn<Screens>("screens");
    QTest::addColumn<QPoint>("devicePoint");
    QTest::addColumn<bool>("onScreen");
    QTest::addColumn<QPoint>("expected");
    QTest::addColumn<QSize>("extent");

    const ScreenPlace left{QRect(-1920, 0, 1920, 1080), 1};
    const ScreenPlace main{QRect(0, 0, 1280, 720), 1};
    const ScreenPlace beside{QRect(1280, 200, 1920, 1080), 1};
    QTest::newRow("one screen") << Screens{main} << QPoint(640, 360) << true << QPoint(640, 360) << QSize(1280, 720);
    QTest::newRow("second screen, lower") << Screens{main, beside} << QPoint(1500, 300) << true << QPoint(1500, 300)
                                          << QSize(3200, 1280);
    QTest::newRow("layout left of zero") << Screens{left, main} << QPoint(-100, 50) << true << QPoint(1820, 50)
                                         << QSize(3200, 1080);
    QTest::newRow("scaled screen") << Screens{{QRect(0, 0, 1280, 720), 2}} << QPoint(1281, 719) << true
                                   << QPoint(640, 359) << QSize(1280, 720);
    QTest::newRow("scaled screen beside another")
        << Screens{main, {QRect(1280, 0, 1000, 500), 1.5}} << QPoint(1280 + 300, 150) << true << QPoint(1480, 100)
        << QSize(2280, 720);
    QTest::newRow("in the gap below a screen") << Screens{main, beside} << QPoint(100, 800) << false << QPoint()
                                               << QSize();
}

void TestPointerPlacement::devicePointBecomesLayoutPoint()
{
    QFETCH(Screens, screens);
    QFETCH(QPoint, devicePoint);
    QFETCH(bool, onScreen);
    QFETCH(QPoint, expected);
    QFETCH(QSize, extent);

    const std::optional<AbsoluteMotion> motion = absoluteMotionTo(devicePoint, screens);
    QCOMPARE(motion.has_value(), onScreen);
    if (!motion)
        return;
    QCOMPARE(QPoint(int(motion->x), int(motion->y)), expected);
    QCOMPARE(QSize(int(motion->xExtent), int(motion->yExtent)), extent);
}

void TestPointerPlacement::pointerRestsOutsideTheRegion_data()
{
    QTest::addColumn<QRect>("region");
    QTest::addColumn<QPoint>("expected");

    // The screen: 1280 x 720 at (100, 50); the pointer's picture needs 48 pixels.
    QTest::newRow("room below") << QRect(400, 100, 600, 500) << QPoint(699, 647);
    QTest::newRow("too near the bottom: above") << QRect(400, 300, 600, 430) << QPoint(699, 252);
    QTest::newRow("full height: right") << QRect(200, 50, 600, 720) << QPoint(847, 409);
    QTest::newRow("full height, at the right: left") << QRect(500, 50, 880, 720) << QPoint(452, 409);
    QTest::newRow("whole screen: centre") << QRect(100, 50, 1280, 720) << QPoint(739, 409);
}

void TestPointerPlacement::pointerRestsOutsideTheRegion()
{
    QFETCH(QRect, region);
    QFETCH(QPoint, expected);
    const QRect screen(100, 50, 1280, 720);
    QCOMPARE(pointerRestingPlace(region, screen), expected);
}

QTEST_APPLESS_MAIN(TestPointerPlacement)
#include "tst_pointer_placement.moc"
