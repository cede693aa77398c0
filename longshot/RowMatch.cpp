#include "RowMatch.h"

#include <QImage>

#include <algorithm>

QVector<quint64> rowHashes(const QImage &picture)
{
    const QImage pixels = picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32
                              ? picture
                              : picture.convertToFormat(QImage::Format_RGB32);
    QVector<quint64> hashes(pixels.height());
    const int words = pixels.width();
    for (int y = 0; y < pixels.height(); ++y) {
        // FNV-1a over whole pixels: a row is a few thousand bytes, so one multiply a pixel keeps
        // a 1000 x 800 grab well under a millisecond.
        const auto *row = reinterpret_cast<const quint32 *>(pixels.constScanLine(y));
        quint64 hash = 14695981039346656037ULL;
        for (int x = 0; x < words; ++x) {
            hash ^= row[x] & 0x00ffffffU;
            hash *= 1099511628211ULL;
        }
        hashes[y] = hash;
    }
    return hashes;
}

namespace {

// Rows from `start` on that match `shift` rows lower in `before`.
int matchedRun(const QVector<quint64> &before, const QVector<quint64> &after, int start, int shift)
{
    int run = 0;
    while (start + run + shift < before.size() && after[start + run] == before[start + run + shift])
        ++run;
    return run;
}

}  // namespace

RowMatch matchRows(const QVector<quint64> &before, const QVector<quint64> &after, int minimumOverlap)
{
    RowMatch match;
    const int height = before.size();
    if (height == 0 || after.size() != height)
        return match;
    int header = 0;
    while (header < height && before[header] == after[header])
        ++header;
    if (header == height) {
        match.kind = RowMatch::Kind::Unmoved;
        return match;
    }
    int stillBottom = 0;
    while (before[height - 1 - stillBottom] == after[height - 1 - stillBottom])
        ++stillBottom;
    // A short region cannot demand more rows in common than it has between its still edges.
    const int needed = std::max(1, std::min(minimumOverlap, (height - header - stillBottom) / 2));
    int bestOverlap = 0;
    for (int shift = 1; shift + header < height; ++shift) {
        const int overlap = matchedRun(before, after, header, shift);
        // What the shift does not explain at the bottom must be rows that stayed put.
        const int footer = height - shift - header - overlap;
        if (overlap < needed || footer > stillBottom || overlap <= bestOverlap)
            continue;
        bestOverlap = overlap;
        match.kind = RowMatch::Kind::Moved;
        match.shift = shift;
        match.header = header;
        match.footer = footer;
    }
    return match;
}
