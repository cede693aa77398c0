#include "PenTool.h"

#include "MarkupGeometry.h"

PenTool::PenTool(MarkupDocument &document, QObject *parent)
    : PenTool(MarkupKind::Pen, document, parent)
{
}

PenTool::PenTool(MarkupKind kind, MarkupDocument &document, QObject *parent)
    : MarkupTool(kind, document, parent)
{
}

void PenTool::press(const QPointF &point, Qt::KeyboardModifiers)
{
    begin(point);
    show(item);
}

void PenTool::move(const QPointF &point, Qt::KeyboardModifiers)
{
    if (!active || item.points.last() == point)
        return;
    // Only the new segment needs painting again: the rest of the stroke looks as it did. (The
    // marker is one translucent path, so its joint may change a little; the margin covers it.)
    const QPointF last = item.points.last();
    item.points.append(point);
    const qreal reach = markup::lineWidth(item) / 2 + 2;
    emit drawingChanged(QRectF(last, point).normalized().adjusted(-reach, -reach, reach, reach).toAlignedRect());
}

void PenTool::release(const QPointF &point, Qt::KeyboardModifiers modifiers)
{
    if (!active)
        return;
    move(point, modifiers);
    commit();
}
