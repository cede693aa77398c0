#include "RectangleTool.h"

#include "MarkupGeometry.h"

RectangleTool::RectangleTool(MarkupDocument &document, QObject *parent)
    : MarkupTool(MarkupKind::Rectangle, document, parent)
{
}

QPointF RectangleTool::constrained(const QPointF &anchor, const QPointF &point, Qt::KeyboardModifiers modifiers) const
{
    return modifiers & Qt::ShiftModifier ? markup::squareCorner(anchor, point) : point;
}
