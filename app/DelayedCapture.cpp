#include "DelayedCapture.h"

#include <QTimer>

#include <utility>

namespace {

// Often enough that the shown number changes within a tenth of a second of the true one, and a
// delay of a tenth of a second is kept.
constexpr int tickMs = 50;

} // namespace

DelayedCapture::DelayedCapture(QObject *parent)
    : QObject(parent)
    , ticker(new QTimer(this))
{
    ticker->setInterval(tickMs);
    ticker->setTimerType(Qt::PreciseTimer);
    connect(ticker, &QTimer::timeout, this, &DelayedCapture::tick);
}

DelayedCapture::~DelayedCapture() = default;

bool DelayedCapture::start(int ms, std::function<void()> capture)
{
    if (waiting)
        return false;
    waiting = true;
    pending = std::move(capture);
    waitMs = ms;
    shownSeconds = 0;
    clock.start();
    ticker->start();
    tick();
    return true;
}

void DelayedCapture::tick()
{
    const qint64 left = waitMs - clock.elapsed();
    if (left > 0) {
        const int seconds = int((left + 999) / 1000);
        if (seconds != shownSeconds) {
            shownSeconds = seconds;
            emit secondsLeft(seconds);
        }
        return;
    }
    ticker->stop();
    waiting = false;
    if (shownSeconds > 0)
        emit secondsLeft(0);
    // Moved out first: the capture may start another wait.
    const std::function<void()> capture = std::exchange(pending, nullptr);
    capture();
}
