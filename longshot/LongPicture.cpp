#include "LongPicture.h"


#include <algorithm>

LongPicture::LongPicture(const QImage &first)
    : lastHashes(rowHashes(first))
    , columns(first.width())
{
    append(first.convertToFormat(QImage::Format_RGB32));
}

RowMatch LongPicture::add(const QImage &grab)
{
    QVector<quint64> hashes = rowHashes(grab);
    const RowMatch match = matchRows(lastHashes, hashes);
    if (match.kind != RowMatch::Kind::Moved || full())
        return match;
    // The picture ends with the whole of the grab before, whose still bottom is this grab's too:
    // it comes off, and the new rows follow with that bottom again beneath them.
    const int height = grab.height();
    dropBottom(match.footer);
    const int firstNew = height - match.footer - match.shift;
    append(grab.copy(0, firstNew, grab.width(), height - firstNew).convertToFormat(QImage::Format_RGB32));
    lastHashes = std::move(hashes);
    return match;
}

void LongPicture::dropBottom(int count)
{
    while (count > 0 && !parts.isEmpty()) {
        QImage &last = parts.last();
        if (last.height() <= count) {
            count -= last.height();
            rows -= last.height();
            parts.removeLast();
        } else {
            last = last.copy(0, 0, last.width(), last.height() - count);
            rows -= count;
            count = 0;
        }
    }
}

void LongPicture::append(const QImage &strip)
{
    const int room = heightLimit - rows;
    const QImage kept = strip.height() > room ? strip.copy(0, 0, strip.width(), room) : strip;
    if (kept.height() <= 0)
        return;
    parts.append(kept);
    rows += kept.height();
}

QImage LongPicture::picture() const
{
    QImage whole(columns, rows, QImage::Format_RGB32);
    int y = 0;
    for (const QImage &part : parts) {
        for (int row = 0; row < part.height(); ++row)
            std::copy_n(part.constScanLine(row), part.bytesPerLine(), whole.scanLine(y + row));
        y += part.height();
    }
    return whole;
}
