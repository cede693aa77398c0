#include "ClipboardAtExit.h"

#include "platform/ClipboardKeeper.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

namespace {

// On the PNG writer's quality scale, zlib's fastest compressing level: several times quicker than
// the default level, for files a little larger.
constexpr int fastPngQuality = 85;
const QString pngType = QStringLiteral("image/png");

} // namespace

void offerOnlyPngForHandOver()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    // Without a keeper nothing is handed over, and encoding would only hold up the exit.
    if (!clipboard->ownsClipboard() || !clipboardKeptAfterExit())
        return;
    const QMimeData *held = clipboard->mimeData();
    if (!held || !held->hasImage())
        return;
    QByteArray png = held->data(pngType); // already encoded, if the capture was offered that way
    if (png.isEmpty()) {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!qvariant_cast<QImage>(held->imageData()).save(&buffer, "PNG", fastPngQuality))
            return;
    }
    auto *handOver = new QMimeData;
    handOver->setData(pngType, png);
    clipboard->setMimeData(handOver);
}
