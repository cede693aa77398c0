#include "LineTool.h"

#include "MarkupGeometry.h"

LineTool::LineTool(MarkupDocument &document, QObject *parent)
    : MarkupTool(MarkupKind::Line, document, parent)
{
}

QPointF LineTool::constrained(const QPointF &anchor, const QPointF &point, Qt::KeyboardModifiers modifiers) const
{
    return modifiers & Qt::ShiftModifier ? markup::snappedEnd(anchor, point) : point;
}
