#include "MarkupItem.h"

#include "MarkupGeometry.h"
#include "MarkupText.h"

#include <QPolygonF>

#include <QtMath>

#include <cmath>

QRect MarkupItem::cornerRect() const
{
    if (points.isEmpty())
        return {};
    const QPointF a = points.first();
    const QPointF b = points.last();
    return QRect(QPoint(qRound(a.x()), qRound(a.y())), QPoint(qRound(b.x()), qRound(b.y()))).normalized();
}

void MarkupItem::translate(const QPointF &offset)
{
    for (QPointF &point : points)
        point += offset;
    patch.reset();
}

namespace markup {

namespace {

// Anti-aliasing reaches about a pixel beyond the geometry; a little more costs nothing.
constexpr int antialiasMargin = 2;

QRect outward(const QRectF &rect, qreal margin)
{
    return rect.adjusted(-margin, -margin, margin, margin).toAlignedRect();
}

QRectF pointsRect(const QVector<QPointF> &points)
{
    return QPolygonF(points).boundingRect();
}

} // namespace

QRect itemBounds(const MarkupItem &item)
{
    if (item.points.isEmpty())
        return {};
    const qreal width = lineWidth(item);
    switch (item.kind) {
    case MarkupKind::Rectangle:
    case MarkupKind::Ellipse:
        return outward(QRectF(item.cornerRect()), width / 2 + antialiasMargin);
    case MarkupKind::Line:
    case MarkupKind::Pen:
    case MarkupKind::Marker:
        return outward(pointsRect(item.points), width / 2 + antialiasMargin);
    case MarkupKind::Arrow:
        return outward(arrowHead(item.points.first(), item.points.last(), width).boundingRect()
                           | pointsRect(item.points),
                       width / 2 + antialiasMargin);
    case MarkupKind::Text:
        return outward(textBounds(item), antialiasMargin);
    case MarkupKind::Number:
        return outward(numberCircle(item), antialiasMargin);
    case MarkupKind::Mosaic:
    case MarkupKind::Blur:
        if (item.patch)
            return QRect(item.patchOrigin, item.patch->size());
        // Before the patch exists it is shown as an outline of the corners.
        return outward(QRectF(item.cornerRect()), 1 + antialiasMargin);
    }
    return {};
}

QRegion itemRegion(const MarkupItem &item)
{
    const QRect bounds = itemBounds(item);
    if (item.kind != MarkupKind::Rectangle)
        return bounds;
    const int band = qCeil(lineWidth(item) / 2) + antialiasMargin;
    const QRect inner = bounds.adjusted(2 * band, 2 * band, -2 * band, -2 * band);
    if (inner.isEmpty())
        return bounds;
    return QRegion(bounds).subtracted(inner);
}

bool isWorthKeeping(const MarkupItem &item)
{
    if (item.points.isEmpty())
        return false;
    switch (item.kind) {
    case MarkupKind::Rectangle:
    case MarkupKind::Ellipse:
        return item.cornerRect().width() > 1 && item.cornerRect().height() > 1;
    case MarkupKind::Mosaic:
    case MarkupKind::Blur:
        return item.patch && !item.patch->isNull();
    case MarkupKind::Line:
    case MarkupKind::Arrow:
        return item.points.first() != item.points.last();
    case MarkupKind::Text:
        return !item.text.isEmpty();
    case MarkupKind::Pen:
    case MarkupKind::Marker:
    case MarkupKind::Number:
        return true;
    }
    return false;
}

} // namespace markup
