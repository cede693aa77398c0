#include "platform/QtDesktopGrabber.h"
#include "platform/x11/SharedImagePool.h"
#include "platform/x11/X11DesktopGrabber.h"

#include "TestSupport.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QWidget>
#include <QX11Info>

#include <xcb/xcb.h>
#include <QtTest>

namespace {
// A window that covers the screen with the known pattern.
class PatternWindow : public QWidget
{
public:
    PatternWindow()
        : pattern(support::patternImage(QGuiApplication::primaryScreen()->size()))
    {
        setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    }

    const QImage pattern;

protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).drawImage(0, 0, pattern); }
};

DesktopPicture grabWith(DesktopGrabber &grabber)
{
    DesktopPicture picture;
    grabber.grab(nullptr, [&](const DesktopPicture &taken) { picture = taken; });
    return picture;
}
} // namespace

// The root window grabbed on a real X server: through shared memory where the server offers it,
// over the socket where it does not (TAVO_EXPECT_SHM says which this server does), and either way
// the pixels on the screen, the same as the toolkit's own grab.
class TestDesktopGrab : public QObject
{
    Q_OBJECT

private slots:
    void grabsTheScreenPixelForPixel();
    void sharedMemoryKeepsHeldPictures_data();
    void sharedMemoryKeepsHeldPictures();
    void grabberNamedByHand_data();
    void grabberNamedByHand();
};

void TestDesktopGrab::grabsTheScreenPixelForPixel()
{
    PatternWindow window;
    window.setGeometry(QGuiApplication::primaryScreen()->geometry());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    X11DesktopGrabber grabber;
    DesktopPicture picture;
    QTRY_VERIFY((picture = grabWith(grabber)).image == window.pattern);
    QCOMPARE(grabber.lastGrabUsedSharedMemory(), qEnvironmentVariableIntValue("TAVO_EXPECT_SHM") == 1);
    QCOMPARE(picture.screens.size(), 1);
    QCOMPARE(picture.screens.first().area, QRect(QPoint(0, 0), window.pattern.size()));

    // Opaque, as QImage's RGB32 must be: the fourth byte of every pixel is 0xff.
    const auto *pixels = reinterpret_cast<const quint32 *>(picture.image.constBits());
    QCOMPARE(pixels[0] >> 24, 0xffu);
    QCOMPARE(pixels[picture.image.width() * picture.image.height() - 1] >> 24, 0xffu);

    QCOMPARE(picture.image, QtDesktopGrabber::grabNow().image);
}

void TestDesktopGrab::sharedMemoryKeepsHeldPictures_data()
{
    QTest::addColumn<bool>("firstHeld");
    // A picture still on the clipboard: the next grab goes to other memory.
    QTest::newRow("held") << true;
    // A picture let go of: its segment takes the next grab, without a new one.
    QTest::newRow("let go") << false;
}

void TestDesktopGrab::sharedMemoryKeepsHeldPictures()
{
    QFETCH(bool, firstHeld);
    SharedImagePool pool(QX11Info::connection());
    if (!pool.available())
        QSKIP("this server has no shared memory");
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(QX11Info::connection())).data->root;
    const QRect area(0, 0, 64, 48);
    QWidget window;
    window.setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    window.setGeometry(area);
    window.setAutoFillBackground(true);
    auto paint = [&window](const QColor &colour) {
        QPalette palette = window.palette();
        palette.setColor(QPalette::Window, colour);
        window.setPalette(palette);
        window.update();
    };
    paint(Qt::red);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QImage first;
    QTRY_VERIFY(!(first = pool.grab(root, area)).isNull() && first.pixel(32, 24) == qRgb(255, 0, 0));
    const uchar *firstMemory = first.constBits();

    if (!firstHeld)
        first = QImage();
    paint(Qt::blue);
    QImage second;
    QTRY_VERIFY(!(second = pool.grab(root, area)).isNull() && second.pixel(32, 24) == qRgb(0, 0, 255));
    QCOMPARE(second.constBits() == firstMemory, !firstHeld);
    if (firstHeld)
        QCOMPARE(first.pixel(32, 24), qRgb(255, 0, 0));
}

void TestDesktopGrab::grabberNamedByHand_data()
{
    QTest::addColumn<QByteArray>("named");
    QTest::addColumn<bool>("toolkitsGrab"); // otherwise the root-window grab
    QTest::newRow("automatic") << QByteArray() << false;
    QTest::newRow("qt") << QByteArray("qt") << true;
    QTest::newRow("x11") << QByteArray("X11") << false;
    // Not usable on X11, or unknown: the automatic choice stands.
    QTest::newRow("screencopy on X11") << QByteArray("screencopy") << false;
    QTest::newRow("unknown") << QByteArray("xlib") << false;
}

void TestDesktopGrab::grabberNamedByHand()
{
    QFETCH(QByteArray, named);
    QFETCH(bool, toolkitsGrab);
    qputenv("TAVO_GRABBER", named);
    const std::unique_ptr<DesktopGrabber> grabber = DesktopGrabber::forThisSession();
    qunsetenv("TAVO_GRABBER");
    QVERIFY(grabber);
    QCOMPARE(dynamic_cast<QtDesktopGrabber *>(grabber.get()) != nullptr, toolkitsGrab);
    QCOMPARE(dynamic_cast<X11DesktopGrabber *>(grabber.get()) != nullptr, !toolkitsGrab);
}

QTEST_MAIN(TestDesktopGrab)
#include "tst_desktop_grab.moc"
