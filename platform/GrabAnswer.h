#pragma once

#include "platform/DesktopGrabber.h"

#include <QPointer>

#include <functional>
#include <memory>

class QObject;

// The answer of one asynchronous grab, held by whoever runs the grab (its owner). It answers
// exactly once, always later from the event loop (the answer may delete the context, or run a
// dialog of its own), never once the context is gone; its time limit never fires once it has
// answered or once its owner has dropped it. Owners keep no timers of their own, so no time-out
// can reach an owner that is gone.
class GrabAnswer
{
public:
    GrabAnswer(QObject *context, DesktopGrabber::Done done);
    // An answer not yet given is dropped, with its time limit: the owner is going.
    ~GrabAnswer();
    GrabAnswer(const GrabAnswer &) = delete;
    GrabAnswer &operator=(const GrabAnswer &) = delete;

    // Answered (or handed over) already; later answers are ignored.
    bool isOver() const { return over; }

    // Hands `picture` to the grab's callback from the event loop, unless it is over.
    void answer(const DesktopPicture &picture);
    // Lets `fallback` take the picture instead, starting from the event loop, with the same
    // context and callback; a missing fallback is the same as answering `failure`.
    void handOver(const std::shared_ptr<DesktopGrabber> &fallback, const DesktopPicture &failure);
    // Calls `expired` after `ms` unless the grab is over or this object gone by then. The
    // callback may answer and drop this object.
    void expireAfter(int ms, std::function<void()> expired);

private:
    // Calls `call` from the event loop, unless the context has gone by then.
    void post(std::function<void()> call);

    QPointer<QObject> context;
    DesktopGrabber::Done done;
    // The receiver of the time limit: going with it (or with the context) silences it.
    QPointer<QObject> limit;
    bool over = false;
};
