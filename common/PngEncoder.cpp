#include "PngEncoder.h"

#include <QByteArray>
#include <QImage>
#include <QtEndian>

#include <libdeflate.h>

#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <system_error>
#include <thread>
#include <utility>

namespace {

constexpr char signature[] = "\x89PNG\r\n\x1a\n";
constexpr size_t signatureBytes = 8;
constexpr size_t chunkFrameBytes = 12; // length, type and CRC around the data
constexpr size_t headerDataBytes = 13;
constexpr quint8 bitDepth = 8;
constexpr quint8 rgbColourType = 2;
constexpr quint8 rgbaColourType = 6;
// Each byte less whichever of its neighbours to the left, above and above-left best predicts it:
// a photograph's PNG some 9% smaller than with the left neighbour alone (SUB), at the same
// compression time, and a screen of text some 5%. Done 16 bytes at a time, it costs no more than
// SUB. Choosing a filter per row instead would squeeze little more, at several times the cost.
constexpr quint8 paethFilter = 4;
constexpr size_t paethLanes = 16;
// libdeflate's fastest level. The clipboard wants its PNG at once, and a file too is best written
// before the user looks for it: measured on 4K desktops, level 2 makes a photograph's PNG 3%
// smaller (5.99 against 6.18 MB) for 60-80% more time, a screen of windows and text 4% in about
// the same. At level 1 both stay within about 14% of Qt's writer at its default, which takes
// twice to twenty times as long (bench/capture-latency.sh).
constexpr int compressionLevel = 1;
// Below this a second thread costs more than it saves.
constexpr qint64 bandedPixels = 1 << 20;

struct CompressorDeleter
{
    void operator()(libdeflate_compressor *compressor) const { libdeflate_free_compressor(compressor); }
};
using Compressor = std::unique_ptr<libdeflate_compressor, CompressorDeleter>;

// The picture in one of the three 32-bit layouts whose opaque pixels the row writers take as
// they are (premultiplied or not makes no difference to an opaque pixel).
QImage asArgb32Layout(const QImage &picture)
{
    switch (picture.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        return picture;
    default:
        return picture.convertToFormat(picture.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    }
}

// Format_RGB32 leaves the top byte undefined: only a format with alpha can be translucent.
bool hasTranslucentPixel(const QImage &picture)
{
    if (picture.format() == QImage::Format_RGB32)
        return false;
    for (int y = 0; y < picture.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            if (qAlpha(line[x]) != 255)
                return true;
    }
    return false;
}

// A row of pixels as the file has them: R, G, B, and A unless opaque, one byte each.
void toFileBytes(const QImage &pixels, int y, bool opaque, uchar *out)
{
    const auto *line = reinterpret_cast<const QRgb *>(pixels.constScanLine(y));
    for (int x = 0; x < pixels.width(); ++x) {
        *out++ = uchar(qRed(line[x]));
        *out++ = uchar(qGreen(line[x]));
        *out++ = uchar(qBlue(line[x]));
        if (!opaque)
            *out++ = uchar(qAlpha(line[x]));
    }
}

// Of the left (a), upper (b) and upper-left (c) neighbours, the one nearest a + b - c, ties going
// in that order. Written with one type and no early exits, so that the compiler can do many at once.
template<typename Byte>
Byte paethPrediction(Byte a, Byte b, Byte c)
{
    const Byte towardsB = Byte(b - c);
    const Byte towardsA = Byte(a - c);
    const Byte both = Byte(towardsA + towardsB);
    const Byte pa = towardsB < 0 ? Byte(-towardsB) : towardsB;
    const Byte pb = towardsA < 0 ? Byte(-towardsA) : towardsA;
    const Byte pc = both < 0 ? Byte(-both) : both;
    const Byte bOrC = pb <= pc ? b : c;
    return pa <= pb && pa <= pc ? a : bOrC;
}

void paethFilterRow(const uchar *row, const uchar *above, size_t length, size_t pixelBytes, uchar *out)
{
    // The first pixel has nothing to its left: its prediction is the byte above.
    for (size_t i = 0; i < pixelBytes; ++i)
        out[i] = uchar(row[i] - above[i]);
    size_t i = pixelBytes;
    for (; i + paethLanes <= length; i += paethLanes) {
        uchar filtered[paethLanes];
        for (size_t k = 0; k < paethLanes; ++k) {
            const short predicted = paethPrediction<short>(row[i + k - pixelBytes], above[i + k], above[i + k - pixelBytes]);
            filtered[k] = uchar(row[i + k] - predicted);
        }
        std::memcpy(out + i, filtered, paethLanes);
    }
    for (; i < length; ++i)
        out[i] = uchar(row[i] - paethPrediction<short>(row[i - pixelBytes], above[i], above[i - pixelBytes]));
}

// Rows `from` to `to`, each after its filter type. `rows` has room for two rows of file bytes.
void writeRowRange(const QImage &pixels, bool opaque, uchar *raw, size_t rowBytes, int from, int to, uchar *rows)
{
    const size_t length = rowBytes - 1;
    uchar *row = rows;
    uchar *above = rows + length;
    // The top row's filter sees zeros above it; a band further down sees the row before it.
    if (from == 0)
        std::memset(above, 0, length);
    else
        toFileBytes(pixels, from - 1, opaque, above);
    for (int y = from; y < to; ++y) {
        toFileBytes(pixels, y, opaque, row);
        uchar *out = raw + size_t(y) * rowBytes;
        *out = paethFilter;
        paethFilterRow(row, above, length, opaque ? 3 : 4, out + 1);
        std::swap(row, above);
    }
}

// The filtered rows, a screen's worth in two bands at once: each row needs only its own pixels
// and those above, and reading the pixels and filling fresh memory is a good part of the
// encoder's time on a large picture.
void writeRows(const QImage &pixels, bool opaque, uchar *raw, size_t rowBytes)
{
    const int height = pixels.height();
    const size_t length = rowBytes - 1;
    const std::unique_ptr<uchar[]> rows(new uchar[4 * length]);
    if (qint64(pixels.width()) * height < bandedPixels) {
        writeRowRange(pixels, opaque, raw, rowBytes, 0, height, rows.get());
        return;
    }
    uchar *lowerRows = rows.get() + 2 * length;
    std::thread lowerBand;
    try {
        lowerBand = std::thread(writeRowRange, std::cref(pixels), opaque, raw, rowBytes, height / 2, height, lowerRows);
    } catch (const std::system_error &) {
        writeRowRange(pixels, opaque, raw, rowBytes, height / 2, height, lowerRows); // no thread to be had
    }
    writeRowRange(pixels, opaque, raw, rowBytes, 0, height / 2, rows.get());
    if (lowerBand.joinable())
        lowerBand.join();
}

char *putBigEndian(char *at, quint32 value)
{
    qToBigEndian(value, at);
    return at + 4;
}

// Frames `length` bytes of data that already stand at `at + 8` as a chunk of the given type.
char *frameChunk(char *at, const char (&type)[5], size_t length)
{
    putBigEndian(at, quint32(length));
    std::memcpy(at + 4, type, 4);
    const quint32 crc = libdeflate_crc32(0, at + 4, 4 + length);
    return putBigEndian(at + 8 + length, crc);
}

char *putHeader(char *at, const QSize &size, quint8 colourType)
{
    char *data = at + 8;
    data = putBigEndian(data, quint32(size.width()));
    data = putBigEndian(data, quint32(size.height()));
    const char rest[] = {char(bitDepth), char(colourType), 0 /* deflate */, 0 /* adaptive filters */, 0 /* not interlaced */};
    std::memcpy(data, rest, sizeof rest);
    return frameChunk(at, "IHDR", headerDataBytes);
}

QByteArray encodeRows(const QImage &pixels, bool opaque)
{
    const size_t channels = opaque ? 3 : 4;
    const size_t width = size_t(pixels.width());
    const size_t rowBytes = 1 + width * channels;
    const size_t rawBytes = rowBytes * size_t(pixels.height());
    const Compressor compressor(libdeflate_alloc_compressor(compressionLevel));
    if (!compressor)
        return {};
    const size_t bound = libdeflate_zlib_compress_bound(compressor.get(), rawBytes);
    const size_t framing = signatureBytes + 3 * chunkFrameBytes + headerDataBytes;
    if (bound > size_t(std::numeric_limits<int>::max()) - framing)
        return {};

    const std::unique_ptr<uchar[]> raw(new uchar[rawBytes]);
    writeRows(pixels, opaque, raw.get(), rowBytes);

    // Made aside and copied once it has its size: a fraction of the time compression takes, and
    // the picture's PNG does not hold on to room for the worst case.
    const std::unique_ptr<char[]> file(new char[framing + bound]);
    char *at = file.get();
    std::memcpy(at, signature, signatureBytes);
    at = putHeader(at + signatureBytes, pixels.size(), opaque ? rgbColourType : rgbaColourType);
    const size_t compressed = libdeflate_zlib_compress(compressor.get(), raw.get(), rawBytes, at + 8, bound);
    if (compressed == 0)
        return {};
    at = frameChunk(at, "IDAT", compressed);
    at = frameChunk(at, "IEND", 0);
    return QByteArray(file.get(), int(at - file.get()));
}

} // namespace

QByteArray encodePng(const QImage &picture)
{
    if (picture.isNull())
        return {};
    try {
        QImage pixels = asArgb32Layout(picture);
        if (pixels.isNull())
            return {};
        const bool opaque = !hasTranslucentPixel(pixels);
        // Un-premultiplied by Qt's own conversion, so the file holds what Qt's writer would.
        if (!opaque && pixels.format() == QImage::Format_ARGB32_Premultiplied)
            pixels = pixels.convertToFormat(QImage::Format_ARGB32);
        if (pixels.isNull())
            return {};
        return encodeRows(pixels, opaque);
    } catch (const std::bad_alloc &) {
        return {};
    }
}
