#include "PictureLoader.h"

#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace {

bool fitsInMemoryLimit(const QSize &size)
{
    if (!size.isValid() || size.isEmpty())
        return false;
    constexpr qint64 bytesPerPixel = 4;
    return qint64(size.width()) * qint64(size.height()) * bytesPerPixel <= largestPictureBytes;
}

} // namespace

QPixmap loadPictureSafely(const QString &fileName)
{
    QImageReader reader(fileName);
    if (!reader.canRead())
        return QPixmap();
    // The header's size is known before any pixel is decoded; a reader that cannot tell it is
    // not trusted with an unbounded decode either.
    if (!fitsInMemoryLimit(reader.size()))
        return QPixmap();

    QImage image;
    // A truncated file can still yield a half-filled picture; only a clean read counts.
    if (!reader.read(&image) || reader.error() != QImageReader::UnknownError || image.isNull())
        return QPixmap();
    return QPixmap::fromImage(image);
}
