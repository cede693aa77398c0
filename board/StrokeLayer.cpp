#include "StrokeLayer.h"

#include "board/Canvas.h"

#include <QPainter>
#include <QPoint>
#include <QRect>

namespace {

// What a segment can touch beyond its end points: half a square cap across the diagonal, plus
// the antialiased fringe.
QRect segmentBounds(const QPoint &from, const QPoint &to, int penWidth)
{
    const int margin = qMax(penWidth, 0) + 2;
    return QRect(from, to).normalized().adjusted(-margin, -margin, margin, margin);
}

// Calls `visit` with the end points of every segment after the first `drawnStrokes` strokes, of
// which the last had `drawnPointsOfLast` points.
template<typename Visit>
void forEachSegmentAfter(const StrokeLayer::Strokes &strokes, int drawnStrokes, int drawnPointsOfLast,
                         Visit visit)
{
    for (int s = qMax(drawnStrokes - 1, 0); s < strokes.size(); ++s) {
        const QVector<QPoint> &stroke = strokes.at(s);
        const int firstNew = s == drawnStrokes - 1 ? qMax(drawnPointsOfLast, 1) : 1;
        for (int i = firstNew; i < stroke.size(); ++i)
            visit(stroke.at(i - 1), stroke.at(i));
    }
}

} // namespace

bool StrokeLayer::matches(const QColor &penColor, int penWidth, const QSize &size, qreal devicePixelRatio) const
{
    return !layer.isNull() && color == penColor && width == penWidth
           && layer.devicePixelRatio() == devicePixelRatio
           && layer.size() == (QSizeF(size) * devicePixelRatio).toSize();
}

bool StrokeLayer::holdsPrefixOf(const Strokes &strokes) const
{
    if (drawnStrokes == 0)
        return true;
    return strokes.size() >= drawnStrokes && strokes.at(drawnStrokes - 1).size() >= drawnPointsOfLast;
}

QRegion StrokeLayer::newSegmentsArea(const Strokes &strokes) const
{
    QRegion area;
    forEachSegmentAfter(strokes, drawnStrokes, drawnPointsOfLast, [&](const QPoint &from, const QPoint &to) {
        area += segmentBounds(from, to, width);
    });
    return area;
}

QRegion StrokeLayer::newestPointArea(const Strokes &strokes, const QColor &penColor, int penWidth,
                                     const QSize &size, qreal devicePixelRatio) const
{
    if (!matches(penColor, penWidth, size, devicePixelRatio) || !holdsPrefixOf(strokes))
        return QRect(QPoint(0, 0), size);
    // A stroke of one point draws nothing yet.
    if (strokes.isEmpty() || strokes.last().size() < 2)
        return QRegion();
    const QVector<QPoint> &last = strokes.last();
    return segmentBounds(last.at(last.size() - 2), last.last(), width) & QRect(QPoint(0, 0), size);
}

QRegion StrokeLayer::update(const Strokes &strokes, const QColor &penColor, int penWidth,
                            const QSize &size, qreal devicePixelRatio)
{
    if (!matches(penColor, penWidth, size, devicePixelRatio) || !holdsPrefixOf(strokes)) {
        layer = QImage((QSizeF(size) * devicePixelRatio).toSize(), QImage::Format_ARGB32_Premultiplied);
        layer.setDevicePixelRatio(devicePixelRatio);
        color = penColor;
        width = penWidth;
        redraw(strokes);
        return QRect(QPoint(0, 0), size);
    }
    const QRegion area = newSegmentsArea(strokes) & QRect(QPoint(0, 0), size);
    drawNewSegments(strokes);
    return area;
}

void StrokeLayer::redraw(const Strokes &strokes)
{
    layer.fill(Qt::transparent);
    drawnStrokes = 0;
    drawnPointsOfLast = 0;
    drawNewSegments(strokes);
}

void StrokeLayer::drawNewSegments(const Strokes &strokes)
{
    if (strokes.isEmpty() || layer.isNull())
        return;
    QPainter painter(&layer);
    // The same painter settings and pen as a direct paint of the strokes, segment by segment.
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(strokePen(color, width));
    forEachSegmentAfter(strokes, drawnStrokes, drawnPointsOfLast, [&](const QPoint &from, const QPoint &to) {
        painter.drawLine(from, to);
    });
    drawnStrokes = strokes.size();
    drawnPointsOfLast = strokes.last().size();
}
