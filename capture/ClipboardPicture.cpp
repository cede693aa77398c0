#include "ClipboardPicture.h"

#include <QBuffer>
#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QMimeData>
#include <QThreadPool>

#include <atomic>
#include <future>
#include <memory>

namespace {

const QString pngType = QStringLiteral("image/png");
// Qt's PNG writer turns quality 80 into zlib level 1: a fifth of the default's time on a
// screenshot, for a file about a fifth larger.
constexpr int fastPngQuality = 80;

using Cancelled = std::shared_ptr<std::atomic_bool>;

// Refuses every write once the picture has left the clipboard, which stops the encoder early.
class CancellableBuffer : public QBuffer
{
public:
    CancellableBuffer(QByteArray *bytes, Cancelled cancelled)
        : QBuffer(bytes)
        , cancelled(std::move(cancelled))
    {
    }

protected:
    qint64 writeData(const char *data, qint64 length) override
    {
        return *cancelled ? -1 : QBuffer::writeData(data, length);
    }

private:
    Cancelled cancelled;
};

QByteArray encodePng(const QImage &picture, const Cancelled &cancelled)
{
    QByteArray bytes;
    if (*cancelled)
        return bytes;
    CancellableBuffer buffer(&bytes, cancelled);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "PNG");
    writer.setQuality(fastPngQuality);
    if (!writer.write(picture))
        bytes.clear();
    return bytes;
}

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

class EncodedPicture : public QMimeData
{
public:
    explicit EncodedPicture(const QImage &picture)
    {
        setImageData(picture);
        auto task = std::make_shared<std::packaged_task<QByteArray()>>(
            [picture, cancelled = cancelled] { return encodePng(picture, cancelled); });
        png = task->get_future().share();
        encoderThread()->start([task] { (*task)(); });
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
    Cancelled cancelled = std::make_shared<std::atomic_bool>(false);
    std::shared_future<QByteArray> png;
};

} // namespace

void offerOnClipboard(const QImage &picture)
{
    QGuiApplication::clipboard()->setMimeData(new EncodedPicture(picture), QClipboard::Clipboard);
}
