// The region overlay's paints for one pointer move on a 4K screen: moving within a window (only
// the magnifier moves), moving from one window onto another (the snap outline, dimming and
// readout move too), and dragging a free rectangle. Each paint is timed inside the overlay's
// paint handler after a warm-up paint, so what is measured is the painting itself.
//   overlay-paint [MOVES]   on an X desktop of 3840x2160 (bench/region-overlay.sh starts one)
#include "capture/FreedomCut.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QTest>

#include <algorithm>
#include <cstdio>

namespace {

class TimedOverlay : public FreedomCut
{
public:
    using FreedomCut::FreedomCut;
    QVector<double> paints;
    QRect lastArea;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QElapsedTimer clock;
        clock.start();
        FreedomCut::paintEvent(event);
        paints.append(clock.nsecsElapsed() / 1e6);
        lastArea = event->region().boundingRect();
    }
};

// A desktop-like picture: noise, so that no copy can take a shortcut over flat colour.
QImage busyDesktop(const QSize &size)
{
    QImage picture(size, QImage::Format_RGB32);
    quint32 seed = 12345;
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<quint32 *>(picture.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            line[x] = 0xff000000u | (seed >> 8);
        }
    }
    return picture;
}

void send(QWidget *widget, QEvent::Type type, const QPoint &at, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent event(type, at, widget->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// Moves the pointer along `path`, waiting for the paint each move asks for.
QVector<double> paintsAlong(TimedOverlay &overlay, const QVector<QPoint> &path, Qt::MouseButtons held)
{
    QVector<double> times;
    for (const QPoint &at : path) {
        overlay.paints.clear();
        send(&overlay, QEvent::MouseMove, at, Qt::NoButton, held);
        QElapsedTimer waited;
        waited.start();
        while (overlay.paints.isEmpty() && waited.elapsed() < 2000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        times += overlay.paints;
    }
    return times;
}

void report(const char *what, QVector<double> times)
{
    std::sort(times.begin(), times.end());
    const double median = times.isEmpty() ? 0 : times.at(times.size() / 2);
    const double worst = times.isEmpty() ? 0 : times.last();
    std::printf("%-44s median %6.2f ms, worst %6.2f ms over %d paints (target <= 8 ms)\n", what, median, worst,
                int(times.size()));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int moves = argc > 1 ? QByteArray(argv[1]).toInt() : 40;
    QScreen *screen = QGuiApplication::primaryScreen();
    const QSize size = screen->size() * screen->devicePixelRatio();
    TimedOverlay overlay(QPixmap::fromImage(busyDesktop(size)), nullptr);
    // Two rows of windows side by side, 600 px wide, as a busy desktop has them.
    QVector<QRect> frames;
    for (int x = 0; x + 600 <= size.width(); x += 640)
        for (int y = 100; y + 700 <= size.height(); y += 900)
            frames.append(QRect(x + 20, y, 600, 700));
    overlay.setWindowFrames(frames);
    overlay.showOn(screen);
    if (!QTest::qWaitForWindowExposed(&overlay)) {
        std::fprintf(stderr, "overlay-paint: the overlay did not show\n");
        return 1;
    }
    QTest::qWait(300);

    QVector<QPoint> within, across, drag;
    for (int i = 0; i < moves; ++i) {
        within.append(QPoint(200 + i * 3, 400 + i));
        across.append(i % 2 ? QPoint(500, 500) : QPoint(700, 500));
        drag.append(QPoint(1400 + i * 30, 1200 + i * 15));
    }
    std::printf("overlay of %dx%d device pixels, %d windows\n", size.width(), size.height(), int(frames.size()));
    report("pointer move within a window (magnifier)", paintsAlong(overlay, within, Qt::NoButton));
    report("pointer move onto another window (snap)", paintsAlong(overlay, across, Qt::NoButton));
    send(&overlay, QEvent::MouseButtonPress, QPoint(1000, 1000), Qt::LeftButton, Qt::LeftButton);
    report("drag of a free rectangle", paintsAlong(overlay, drag, Qt::LeftButton));
    return 0;
}
