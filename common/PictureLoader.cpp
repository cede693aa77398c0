#include "PictureLoader.h"

#include "common/FileFailure.h"

#include <QBuffer>
#include <QByteArray>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QSize>

#include <cerrno>

namespace {

// Formats no reader announces in advance are counted at the widest Qt has.
constexpr int widestBitsPerPixel = 64;
constexpr int pixmapBitsPerPixel = 32;

// The formats the board reads. Each announces its decoded size in a header that the decoder then
// keeps to; containers that may hold a picture of any other size (ICO, SVG and its compressed
// form, which Qt would also pick by content) are not among them.
struct PictureFormat
{
    const char *name;
    const char *magic;
    // The decoder asks for exactly the bytes it needs, so any short read means a cut-off file.
    // The others read ahead in blocks; for them only a read at the very end does.
    bool readsExactly;
};

const PictureFormat pictureFormats[] = {
    {"png", "\x89PNG\r\n\x1a\n", false},
    {"jpeg", "\xff\xd8\xff", false},
    {"gif", "GIF87a", false},
    {"gif", "GIF89a", false},
    {"bmp", "BM", true},
};

const PictureFormat *formatOfContent(const QByteArray &start)
{
    for (const PictureFormat &format : pictureFormats)
        if (start.startsWith(format.magic))
            return &format;
    return nullptr;
}

// The file or the bytes as a decoder sees them. It notes when the decoder wanted bytes that are
// not there (the picture was cut off; most decoders then fill the rest with black and call it a
// success), and it stops giving bytes once the time is up or the load is cancelled, which ends
// any decoder.
template <class Device>
class Guarded : public Device
{
public:
    Guarded(int timeLimitMs, const std::atomic_bool *cancelled)
        : deadline(timeLimitMs)
        , cancelled(cancelled)
    {
    }

    void watchFor(const PictureFormat &format)
    {
        readsExactly = format.readsExactly;
        ranShort = false;
    }
    bool wasCutOff() const { return ranShort; }
    bool timedOut() const { return outOfTime; }
    bool wasCancelled() const { return cancelled && *cancelled; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        outOfTime = outOfTime || deadline.hasExpired();
        if (outOfTime || wasCancelled())
            return -1;
        const qint64 got = Device::readData(data, maxSize);
        if (maxSize > 0 && (got == 0 || (readsExactly && got < maxSize)))
            ranShort = true;
        return got;
    }

private:
    QDeadlineTimer deadline;
    const std::atomic_bool *cancelled;
    bool readsExactly = false;
    bool ranShort = false;
    bool outOfTime = false;
};

LoadedPicture failed(const QString &reason)
{
    return {QImage(), reason};
}

template <class Device>
LoadedPicture decodeGuarded(Guarded<Device> &file, int timeLimitMs)
{
    const PictureFormat *format = formatOfContent(file.read(8));
    if (!format || !file.seek(0))
        return failed(QStringLiteral("只能打开 PNG、JPEG、GIF 或 BMP 图片"));
    QImageReader reader(&file, format->name);
    reader.setAutoDetectImageFormat(false);
    if (!reader.canRead())
        return failed(QStringLiteral("图片已损坏"));
    // The header's size is known before any pixel is decoded.
    const QSize size = reader.size();
    const qint64 decodedBytes = decodedPictureBytes(size, reader.imageFormat());
    if (decodedBytes < 0)
        return failed(QStringLiteral("图片已损坏"));
    if (decodedBytes > largestPictureBytes)
        return failed(QStringLiteral("图片太大，解码后会超过 %1 MB").arg(largestPictureBytes >> 20));

    // Only the decode itself is watched for a cut-off file: finding the size may read to the end.
    file.watchFor(*format);
    QImage image;
    const bool read = reader.read(&image) && reader.error() == QImageReader::UnknownError;
    if (file.wasCancelled())
        return failed(QStringLiteral("已取消"));
    if (file.timedOut())
        return failed(QStringLiteral("解码超过了 %1 秒，已放弃").arg(timeLimitMs / 1000.0));
    if (!read || image.isNull())
        return failed(QStringLiteral("图片已损坏"));
    if (file.wasCutOff())
        return failed(QStringLiteral("图片不完整，文件被截断了"));
    if (image.size() != size)
        return failed(QStringLiteral("图片的实际大小与它声明的不符"));
    // Converted here, off the GUI thread, into the format a pixmap takes, so that becoming one
    // there costs no second pass over the pixels.
    const QImage::Format pixmapFormat = image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                                : QImage::Format_RGB32;
    return {image.convertToFormat(pixmapFormat), QString()};
}

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

LoadedPicture loadPictureSafely(const QString &fileName, int timeLimitMs, const std::atomic_bool *cancelled)
{
    // A FIFO or a device would block the reader or never end; a folder is no picture either.
    const QFileInfo info(fileName);
    if (!info.exists())
        return failed(readFailureReason(ENOENT, fileName));
    if (!info.isFile())
        return failed(QStringLiteral("不是一个普通文件"));
    // Unbuffered: the decoder's own reads reach the file as they are, so a cut-off file shows.
    Guarded<QFile> file(timeLimitMs, cancelled);
    file.setFileName(fileName);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return failed(readFailureReason(errno, fileName));
    if (file.isSequential())
        return failed(QStringLiteral("不是一个普通文件"));
    return decodeGuarded(file, timeLimitMs);
}

LoadedPicture loadPictureSafely(const QByteArray &bytes, int timeLimitMs, const std::atomic_bool *cancelled)
{
    Guarded<QBuffer> buffer(timeLimitMs, cancelled);
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    return decodeGuarded(buffer, timeLimitMs);
}
