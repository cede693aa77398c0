#include "WindowWithdrawal.h"

#include <QScreen>
#include <QWidget>
#include <QtGlobal>

#include <cmath>

void WindowWithdrawal::follow(QWidget *window)
{
    Q_UNUSED(window)
}

int WindowWithdrawal::frameInterval(const QWidget *window)
{
    constexpr double fallbackHertz = 60.0;
    const QScreen *screen = window->screen();
    double hertz = screen ? screen->refreshRate() : fallbackHertz;
    if (!(hertz > 1.0) || !std::isfinite(hertz))
        hertz = fallbackHertz;
    // No display refreshes slower than 20 Hz or faster than 250 Hz.
    return qBound(4, int(std::lround(1000.0 / hertz)), 50);
}
