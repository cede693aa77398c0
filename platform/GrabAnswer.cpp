#include "GrabAnswer.h"

#include <QObject>
#include <QTimer>

GrabAnswer::GrabAnswer(QObject *context, DesktopGrabber::Done done)
    : context(context)
    , done(std::move(done))
    , limit(context ? new QObject(context) : nullptr)
{
}

GrabAnswer::~GrabAnswer()
{
    delete limit;
}

void GrabAnswer::answer(const DesktopPicture &picture)
{
    if (over)
        return;
    over = true;
    delete limit;
    post([done = std::move(done), picture] { done(picture); });
}

void GrabAnswer::handOver(const std::shared_ptr<DesktopGrabber> &fallback, const DesktopPicture &failure)
{
    if (!fallback) {
        answer(failure);
        return;
    }
    if (over)
        return;
    over = true;
    delete limit;
    QObject *receiver = context;
    post([fallback, receiver, done = std::move(done)] { fallback->grab(receiver, done); });
}

void GrabAnswer::expireAfter(int ms, std::function<void()> expired)
{
    if (!over && limit)
        QTimer::singleShot(ms, limit, std::move(expired));
}

void GrabAnswer::post(std::function<void()> call)
{
    if (context)
        QTimer::singleShot(0, context, std::move(call));
}
