#include "EllipseTool.h"

#include "MarkupGeometry.h"

EllipseTool::EllipseTool(MarkupDocument &document, QObject *parent)
    : MarkupTool(MarkupKind::Ellipse, document, parent)
{
}

QPointF EllipseTool::constrained(const QPointF &anchor, const QPointF &point, Qt::KeyboardModifiers modifiers) const
{
    return modifiers & Qt::ShiftModifier ? markup::squareCorner(anchor, point) : point;
}
