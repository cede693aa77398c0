#include "RepaintPacer.h"

#include <QScreen>
#include <QWidget>
#include <QtGlobal>

#include <cmath>

namespace {
constexpr double fallbackRefreshRate = 60.0;
constexpr int shortestIntervalMs = 4;   // 250 Hz: no display we meet refreshes faster
constexpr int longestIntervalMs = 100;  // keeps the window lively on a screen that reports nonsense
} // namespace

RepaintPacer::RepaintPacer(QWidget *widget, std::function<QRegion()> changingArea)
    : QObject(widget)
    , widget(widget)
    , changingArea(std::move(changingArea))
{
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, this, &RepaintPacer::repaint);
}

void RepaintPacer::repaint()
{
    // Closed boards live on hidden; showing one again paints it, which starts the cycle anew.
    if (!widget->isVisible())
        return;
    const QRegion area = changingArea();
    if (area.isEmpty())
        scheduleNextPaint(); // nothing to show yet: look again at the next refresh
    else
        widget->update(area);
}

void RepaintPacer::scheduleNextPaint()
{
    if (timer.isActive())
        return;
    const QScreen *screen = widget->screen();
    timer.start(intervalForRefreshRate(screen ? screen->refreshRate() : 0.0));
}

int RepaintPacer::intervalForRefreshRate(double hertz)
{
    if (!(hertz > 1.0) || !std::isfinite(hertz))
        hertz = fallbackRefreshRate;
    return qBound(shortestIntervalMs, int(std::lround(1000.0 / hertz)), longestIntervalMs);
}
