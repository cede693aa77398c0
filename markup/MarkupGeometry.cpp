#include "MarkupGeometry.h"

#include "MarkupItem.h"

#include <QLineF>

#include <cmath>

namespace markup {

QPointF squareCorner(const QPointF &anchor, const QPointF &pointer)
{
    const qreal dx = pointer.x() - anchor.x();
    const qreal dy = pointer.y() - anchor.y();
    const qreal side = std::max(std::abs(dx), std::abs(dy));
    return anchor + QPointF(dx < 0 ? -side : side, dy < 0 ? -side : side);
}

QPointF snappedEnd(const QPointF &anchor, const QPointF &pointer)
{
    const qreal dx = pointer.x() - anchor.x();
    const qreal dy = pointer.y() - anchor.y();
    // tan 22.5°: the border between a straight direction and a diagonal one.
    constexpr qreal border = 0.41421356237;
    if (std::abs(dy) <= border * std::abs(dx))
        return {pointer.x(), anchor.y()};
    if (std::abs(dx) <= border * std::abs(dy))
        return {anchor.x(), pointer.y()};
    const qreal reach = (std::abs(dx) + std::abs(dy)) / 2;
    return anchor + QPointF(dx < 0 ? -reach : reach, dy < 0 ? -reach : reach);
}

qreal lineWidth(const MarkupItem &item)
{
    switch (item.kind) {
    case MarkupKind::Marker:
        return item.style.size * markerWidthFactor;
    case MarkupKind::Rectangle:
    case MarkupKind::Ellipse:
    case MarkupKind::Line:
    case MarkupKind::Arrow:
    case MarkupKind::Pen:
        return item.style.size;
    default:
        return 0;
    }
}

QPolygonF arrowHead(const QPointF &start, const QPointF &end, qreal width)
{
    const QLineF shaft(start, end);
    const qreal length = shaft.length();
    if (length <= 0)
        return {};
    // A head that grows with the line, so a thin arrow still shows a head one can see.
    const qreal headLength = std::min(length, 3 * width + 10);
    const qreal halfWidth = headLength * 0.5;
    const QPointF along = (end - start) / length;
    const QPointF across(-along.y(), along.x());
    const QPointF base = end - along * headLength;
    return QPolygonF({end, base + across * halfWidth, base - across * halfWidth});
}

} // namespace markup
