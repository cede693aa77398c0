#include "ClipboardAtExit.h"

#include "common/PngEncoder.h"
#include "platform/ClipboardKeeper.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

namespace {

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
    if (png.isEmpty())
        png = encodePng(qvariant_cast<QImage>(held->imageData()));
    if (png.isEmpty())
        return;
    auto *handOver = new QMimeData;
    handOver->setData(pngType, png);
    clipboard->setMimeData(handOver);
}
