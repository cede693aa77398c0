#pragma once

#include "RowMatch.h"

#include <QImage>
#include <QVector>

// The long picture growing from grabs of one region as the page under it scrolls. Each grab is
// joined where it overlaps the one before; rows that stay put at the region's top or bottom (a
// fixed header or footer) are kept once, at the top and at the bottom of the whole. The picture is
// kept as strips and put together only when asked, so a step costs the new rows, not the whole.
class LongPicture
{
public:
    static constexpr int heightLimit = 30000;

    explicit LongPicture(const QImage &first);

    // Joins `grab` (as large as the first) below what there is. A grab that did not move or that
    // lost its overlap leaves the picture as it was. Past the height limit the rest is cut off.
    RowMatch add(const QImage &grab);

    int height() const { return rows; }
    int width() const { return columns; }
    bool full() const { return rows >= heightLimit; }
    // The strips, top first, that make the picture.
    const QVector<QImage> &strips() const { return parts; }
    // The whole picture.
    QImage picture() const;

private:
    void dropBottom(int count);
    void append(const QImage &strip);

    QVector<QImage> parts;
    QVector<quint64> lastHashes;
    int rows = 0;
    int columns = 0;
};
