#include "BackgroundPng.h"

#include "common/PngEncoder.h"

#include <QCoreApplication>
#include <QThreadPool>

namespace {

QThreadPool *encoderThread()
{
    static QThreadPool *pool = [] {
        auto *created = new QThreadPool(QCoreApplication::instance());
        created->setMaxThreadCount(1);
        return created;
    }();
    return pool;
}

} // namespace

BackgroundPng::BackgroundPng(const QImage &picture)
    : picture(picture)
{
}

std::shared_ptr<BackgroundPng> BackgroundPng::start(const QImage &picture)
{
    std::shared_ptr<BackgroundPng> encoding(new BackgroundPng(picture));
    // The task holds the encoding weakly: the encoding holds the task's state for its result, and
    // a strong hold both ways kept every capture's PNG, and a picture given up before its turn,
    // for the rest of the run.
    const std::weak_ptr<BackgroundPng> weak = encoding;
    auto task = std::make_shared<std::packaged_task<QByteArray()>>([weak] {
        const std::shared_ptr<BackgroundPng> still = weak.lock();
        return still ? still->encodeUnlessGivenUp() : QByteArray();
    });
    encoding->png = task->get_future().share();
    encoderThread()->start([task] { (*task)(); });
    return encoding;
}

QByteArray BackgroundPng::encodeUnlessGivenUp()
{
    if (givenUp)
        return QByteArray();
    const QByteArray encoded = encodePng(pictureStill());
    // The bytes stand for the picture from now on; a screen-sized picture need not stay as well.
    if (!encoded.isNull()) {
        const std::lock_guard<std::mutex> lock(guard);
        picture = QImage();
    }
    return encoded;
}

QByteArray BackgroundPng::bytes()
{
    const QByteArray encoded = png.get();
    // Skipped before this reader came (or failed, which keeps the picture): this reader encodes
    // what it asked for itself.
    if (!encoded.isNull())
        return encoded;
    return encodePng(pictureStill());
}

QImage BackgroundPng::pictureStill()
{
    const std::lock_guard<std::mutex> lock(guard);
    return picture;
}
