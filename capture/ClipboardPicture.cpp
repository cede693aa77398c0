#include "ClipboardPicture.h"

#include "BackgroundPng.h"
#include "platform/ClipboardOffer.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPointer>

#include <memory>

namespace {

const QString pngType = QStringLiteral("image/png");

class EncodedPicture : public QMimeData
{
public:
    EncodedPicture(const QImage &picture, std::shared_ptr<BackgroundPng> png)
        : png(std::move(png))
    {
        setImageData(picture);
    }

    ~EncodedPicture() override { png->giveUp(); }

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
            return png->bytes();
        return QMimeData::retrieveData(mimeType, type);
    }

private:
    const std::shared_ptr<BackgroundPng> png;
};

} // namespace

namespace {

void offerThroughToolkit(const QImage &picture, std::shared_ptr<BackgroundPng> png)
{
    QGuiApplication::clipboard()->setMimeData(new EncodedPicture(picture, std::move(png)), QClipboard::Clipboard);
}

} // namespace

void offerOnClipboard(const QImage &picture, QObject *context, std::function<void(const QString &why)> failed)
{
    const std::shared_ptr<BackgroundPng> png = BackgroundPng::start(picture);
    auto refused = [picture, guard = QPointer<QObject>(context), failed = std::move(failed)](const QString &why) {
        if (QGuiApplication::focusWindow())
            offerThroughToolkit(picture, BackgroundPng::start(picture));
        else if (guard && failed)
            failed(why);
    };
    // Where the window system takes the clipboard beside the toolkit, the PNG alone is offered.
    // A paste may already be waiting for the PNG when the offer leaves the clipboard: it keeps
    // the encoding, and gets its PNG.
    if (offerBesideToolkit(pngType, [png] { return png->bytes(); }, [png] { png->giveUp(); }, std::move(refused)))
        return;
    offerThroughToolkit(picture, png);
}
