#include "NumberTool.h"

#include "MarkupDocument.h"

NumberTool::NumberTool(MarkupDocument &document, QObject *parent)
    : MarkupTool(MarkupKind::Number, document, parent)
{
}

void NumberTool::press(const QPointF &point, Qt::KeyboardModifiers)
{
    begin(point);
    MarkupItem next = item;
    next.number = document.nextNumber();
    show(next);
}

void NumberTool::move(const QPointF &point, Qt::KeyboardModifiers)
{
    if (!active)
        return;
    MarkupItem next = item;
    next.points = {point};
    show(next);
}
