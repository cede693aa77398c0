#pragma once

#include <QPointF>
#include <QPolygonF>

struct MarkupItem;

// The shapes' geometry, shared by painting, bounds and the tools. All in device pixels.
namespace markup {

// Shift on a rectangle or an ellipse: the corner opposite `anchor` moved so that the shape is a
// square, as large as the larger side of the drag, on the side the pointer is.
QPointF squareCorner(const QPointF &anchor, const QPointF &pointer);

// Shift on a line or an arrow: the end moved to the nearest of the eight 45° directions from
// `anchor`, keeping the pointer's reach along it.
QPointF snappedEnd(const QPointF &anchor, const QPointF &pointer);

// The width of the stroke the item is drawn with (the marker's is wider than its style size).
qreal lineWidth(const MarkupItem &item);

// The filled head of an arrow from `start` to `end` drawn `width` wide: a triangle with its tip
// at `end`, shrunk to fit an arrow shorter than the head.
QPolygonF arrowHead(const QPointF &start, const QPointF &end, qreal width);

} // namespace markup
