#pragma once

#include <QElapsedTimer>
#include <QObject>

#include <functional>

class QTimer;

// One capture waiting for its moment (--delay, the tray's 延时截图): it counts the seconds down
// and then runs. Only one waits at a time, and a later one neither replaces nor cancels it.
class DelayedCapture : public QObject
{
    Q_OBJECT

public:
    explicit DelayedCapture(QObject *parent = nullptr);
    ~DelayedCapture() override;

    bool isWaiting() const { return waiting; }
    // Runs `capture` after `ms` milliseconds. Returns false, doing nothing, while another waits.
    bool start(int ms, std::function<void()> capture);

signals:
    // The whole seconds left, rounded up, each time they change; 0 just before the capture runs.
    void secondsLeft(int seconds);

private:
    void tick();

    QTimer *ticker = nullptr;
    QElapsedTimer clock;
    std::function<void()> pending;
    int waitMs = 0;
    int shownSeconds = 0;
    bool waiting = false;
};
