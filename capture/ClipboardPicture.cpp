#include "ClipboardPicture.h"

#include "common/PngEncoder.h"
#include "platform/ClipboardOffer.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QThreadPool>

#include <atomic>
#include <future>
#include <memory>

namespace {

const QString pngType = QStringLiteral("image/png");

using Cancelled = std::shared_ptr<std::atomic_bool>;

// One encoder thread for the whole program: pictures are encoded one after the other, and those
// replaced meanwhile are skipped, so a held capture key cannot pile up work.
QThreadPool *encoderThread()
{
    static QThreadPool *pool = [] {
        auto *created = new QThreadPool(QCoreApplication::instance());
        created->setMaxThreadCount(1);
        return created;
    }();
    return pool;
}

// The picture's PNG, encoded on the encoder thread from now on, unless `cancelled` is set first.
std::shared_future<QByteArray> startPngEncoding(const QImage &picture, const Cancelled &cancelled)
{
    auto task = std::make_shared<std::packaged_task<QByteArray()>>(
        // A picture that has left the clipboard before its turn is not encoded at all.
        [picture, cancelled] { return *cancelled ? QByteArray() : encodePng(picture); });
    std::shared_future<QByteArray> png = task->get_future().share();
    encoderThread()->start([task] { (*task)(); });
    return png;
}

class EncodedPicture : public QMimeData
{
public:
    EncodedPicture(const QImage &picture, Cancelled cancelled, std::shared_future<QByteArray> png)
        : cancelled(std::move(cancelled))
        , png(std::move(png))
    {
        setImageData(picture);
    }

    ~EncodedPicture() override { *cancelled = true; }

    QStringList formats() const override
    {
        QStringList types = QMimeData::formats();
        if (!types.contains(pngType))
            types.prepend(pngType);
        return types;
    }

    bool hasFormat(const QString &mimeType) const override
    {
        return mimeType == pngType || QMimeData::hasFormat(mimeType);
    }

protected:
    QVariant retrieveData(const QString &mimeType, QVariant::Type type) const override
    {
        if (mimeType == pngType)
            return png.get();
        return QMimeData::retrieveData(mimeType, type);
    }

private:
    const Cancelled cancelled;
    const std::shared_future<QByteArray> png;
};

} // namespace

void offerOnClipboard(const QImage &picture)
{
    auto cancelled = std::make_shared<std::atomic_bool>(false);
    const std::shared_future<QByteArray> png = startPngEncoding(picture, cancelled);
    // Where the window system takes the clipboard beside the toolkit, the PNG alone is offered.
    if (offerBesideToolkit(pngType, [png] { return png.get(); }, [cancelled] { *cancelled = true; }))
        return;
    QGuiApplication::clipboard()->setMimeData(new EncodedPicture(picture, cancelled, png), QClipboard::Clipboard);
}
