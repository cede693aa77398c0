#include "PictureLoader.h"

#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace {

// Formats no reader announces in advance are counted at the widest Qt has.
constexpr int widestBitsPerPixel = 64;
constexpr int pixmapBitsPerPixel = 32;

} // namespace

qint64 decodedPictureBytes(const QSize &size, QImage::Format format)
{
    if (!size.isValid() || size.isEmpty())
        return -1;
    const int bits = format == QImage::Format_Invalid ? widestBitsPerPixel
                                                       : QImage::toPixelFormat(format).bitsPerPixel();
    const qint64 bytesPerLine = qint64(size.width()) * qMax(bits, pixmapBitsPerPixel) / 8;
    return bytesPerLine * size.height();
}

QPixmap loadPictureSafely(const QString &fileName)
{
    QImageReader reader(fileName);
    if (!reader.canRead())
        return QPixmap();
    // The header's size is known before any pixel is decoded; a reader that cannot tell it is
    // not trusted with an unbounded decode either.
    const qint64 decodedBytes = decodedPictureBytes(reader.size(), reader.imageFormat());
    if (decodedBytes < 0 || decodedBytes > largestPictureBytes)
        return QPixmap();

    QImage image;
    // A truncated file can still yield a half-filled picture; only a clean read counts.
    if (!reader.read(&image) || reader.error() != QImageReader::UnknownError || image.isNull())
        return QPixmap();
    return QPixmap::fromImage(image);
}
