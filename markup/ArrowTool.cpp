#include "ArrowTool.h"

#include "MarkupGeometry.h"

ArrowTool::ArrowTool(MarkupDocument &document, QObject *parent)
    : MarkupTool(MarkupKind::Arrow, document, parent)
{
}

QPointF ArrowTool::constrained(const QPointF &anchor, const QPointF &point, Qt::KeyboardModifiers modifiers) const
{
    return modifiers & Qt::ShiftModifier ? markup::snappedEnd(anchor, point) : point;
}
