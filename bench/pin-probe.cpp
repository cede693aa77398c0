// Pins of a 1920x1080 picture, measured in-process as the region overlay opens them: the time from
// the call to the picture's pixels on the screen (read back from the X server by a connection of
// its own), resident memory before and after 20 pins opened and closed, and what five pins open
// at once cost beyond their pictures' bytes. Run by bench/pin-memory.sh on a private desktop.
#include "pin/PinWindow.h"
#include "pin/Pins.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QThread>
#include <QWindow>
#include <QPainter>
#include <QBackingStore>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <cstdio>
#include <malloc.h>
#include <vector>

namespace {

const QSize pictureSize(1920, 1080);
const QPoint probePoint(960, 540);

long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

// Something like a photo: no two neighbours alike, and never black, the desktop's colour.
QImage photoLike()
{
    QImage picture(pictureSize, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            line[x] = qRgb(64 + (x * 7 + y) % 192, 64 + (y * 5 + x / 3) % 192, 64 + ((x ^ y) & 127));
    }
    return picture;
}

class RootPixels
{
public:
    RootPixels() : display(XOpenDisplay(nullptr)) {}
    ~RootPixels() { if (display) XCloseDisplay(display); }
    bool ok() const { return display; }

    QRgb pixelAt(const QPoint &at)
    {
        XImage *image = XGetImage(display, DefaultRootWindow(display), at.x(), at.y(), 1, 1, AllPlanes, ZPixmap);
        if (!image)
            return 0;
        const unsigned long pixel = XGetPixel(image, 0, 0);
        XDestroyImage(image);
        return QRgb(pixel) | 0xff000000u;
    }

private:
    Display *display;
};

// Runs the event loop until the pixel at the probe point is `colour`; false after 5 s.
bool waitForPixel(RootPixels &screen, QRgb colour)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        if (screen.pixelAt(probePoint) == colour)
            return true;
    }
    return false;
}

void closeAndFree()
{
    closeAllPins();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// Runs the event loop for half a second: the pins give back their window buffers once settled.
void settle()
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 500) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(10);
    }
}

// The floor: a bare frameless window that paints the same picture, no pin about it.
class BareWindow : public QWidget
{
public:
    explicit BareWindow(const QImage &picture) : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint), picture(picture)
    {
        setAttribute(Qt::WA_DeleteOnClose);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setFixedSize(picture.size());
    }

protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).drawImage(0, 0, picture); }

private:
    const QImage picture;
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    // As the program itself does (app/main.cpp): screen-sized blocks go back to the system when freed.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    RootPixels screen;
    if (!screen.ok()) {
        std::fputs("pin-probe: no X display\n", stderr);
        return 1;
    }
    const QImage picture = photoLike();
    const QRgb shown = picture.pixel(probePoint);
    const QRgb desktop = screen.pixelAt(probePoint);
    QScreen *on = QGuiApplication::primaryScreen();

    // The first pin loads what every later one finds ready (fonts of the menu, the plug-ins).
    pinPicture(picture.copy(), QPoint(0, 0), on);
    if (!waitForPixel(screen, shown)) {
        std::fputs("pin-probe: the pin did not show\n", stderr);
        return 1;
    }
    closeAndFree();
    waitForPixel(screen, desktop);
    settle();

    // The call to the pixels on the screen, as for the overlay's Ctrl+T; each time a picture of
    // its own, as the overlay hands over a region it has just cut.
    std::vector<double> times;
    std::vector<double> calls;
    const long before = residentKb();
    for (int i = 0; i < 20; ++i) {
        QImage region = picture.copy();
        QElapsedTimer clock;
        clock.start();
        PinWindow *pinned = pinPicture(region, QPoint(0, 0), on);
        const double called = clock.nsecsElapsed() / 1e6;
        calls.push_back(called);
        region = QImage();
        while (!pinned->windowHandle()->isExposed() && clock.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        const double exposed = clock.nsecsElapsed() / 1e6;
        if (qEnvironmentVariableIsSet("PIN_PROBE_STEPS"))
            std::printf("call %.1f exposed %.1f\n", called, exposed);
        if (!waitForPixel(screen, shown)) {
            std::fputs("pin-probe: a pin did not show\n", stderr);
            return 1;
        }
        times.push_back(clock.nsecsElapsed() / 1e6);
        closeAndFree();
        waitForPixel(screen, desktop);
    }
    settle();
    const long after = residentKb();

    // Five at once, on top of one another.
    constexpr int together = 5;
    for (int i = 0; i < together; ++i) {
        pinPicture(picture.copy(), QPoint(0, 0), on);
        waitForPixel(screen, shown);
        settle();
        if (qEnvironmentVariableIsSet("PIN_PROBE_STEPS"))
        {
            std::printf("%d open: %ld kB\n", i + 1, residentKb());
            for (QWidget *w : QApplication::topLevelWidgets())
                if (w->backingStore())
                    std::printf("  %s %dx%d active %d\n", w->metaObject()->className(), w->backingStore()->size().width(), w->backingStore()->size().height(), w->isActiveWindow());
        }
    }
    const long open = residentKb();
    closeAndFree();
    std::vector<double> bare;
    for (int i = 0; i < 10; ++i) {
        QElapsedTimer clock;
        clock.start();
        auto *window = new BareWindow(picture.copy());
        window->move(0, 0);
        window->show();
        if (!waitForPixel(screen, shown))
            return 1;
        bare.push_back(clock.nsecsElapsed() / 1e6);
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        waitForPixel(screen, desktop);
        settle();
    }
    const double pictureKb = pictureSize.width() * pictureSize.height() * 4 / 1024.0;
    const double perPinKb = double(open - after) / together;

    std::printf("pin on screen (median of %zu, slowest): %.1f ms, %.1f ms (target 100 ms)\n", times.size(),
                median(times), *std::max_element(times.begin(), times.end()));
    std::printf("pinPicture() returned after (median): %.1f ms\n", median(calls));
    std::printf("a bare window of the same picture (median of %zu): %.1f ms\n", bare.size(), median(bare));
    std::printf("resident before 20 pins: %ld kB, after: %ld kB, difference %+ld kB (target within 10240 kB)\n",
                before, after, after - before);
    std::printf("one pin of 1920x1080 open: %.0f kB, its picture %.0f kB, beyond it %.0f%% (target 10%%)\n", perPinKb,
                pictureKb, (perPinKb - pictureKb) * 100 / pictureKb);
    return 0;
}
