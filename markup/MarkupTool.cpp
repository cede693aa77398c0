#include "MarkupTool.h"

#include "MarkupDocument.h"

MarkupTool::MarkupTool(MarkupKind kind, MarkupDocument &document, QObject *parent)
    : QObject(parent)
    , document(document)
    , itemKind(kind)
    , itemStyle(markup::defaultStyleFor(kind))
{
}

void MarkupTool::press(const QPointF &point, Qt::KeyboardModifiers)
{
    begin(point);
    MarkupItem next = item;
    next.points = {point, point};
    show(next);
}

void MarkupTool::move(const QPointF &point, Qt::KeyboardModifiers modifiers)
{
    if (!active)
        return;
    MarkupItem next = item;
    next.points.last() = constrained(next.points.first(), point, modifiers);
    show(next);
}

void MarkupTool::release(const QPointF &point, Qt::KeyboardModifiers modifiers)
{
    if (!active)
        return;
    move(point, modifiers);
    commit();
}

void MarkupTool::finish()
{
    drop();
}

bool MarkupTool::keyPress(const QKeyEvent &)
{
    return false;
}

void MarkupTool::inputMethod(const QInputMethodEvent &)
{
}

QPointF MarkupTool::constrained(const QPointF &, const QPointF &point, Qt::KeyboardModifiers) const
{
    return point;
}

void MarkupTool::begin(const QPointF &point)
{
    drop();
    item = MarkupItem();
    item.kind = itemKind;
    item.style = itemStyle;
    item.points = {point};
    active = true;
}

void MarkupTool::show(const MarkupItem &changed)
{
    QRegion area = active ? markup::itemRegion(item) : QRegion();
    item = changed;
    update(item);
    area += markup::itemRegion(item);
    for (const QRect &part : area)
        emit drawingChanged(part);
}

void MarkupTool::commit()
{
    if (!active)
        return;
    const QRect area = markup::itemBounds(item);
    active = false;
    // The document reports the item's area once added; a dropped one must vanish all the same.
    if (!document.add(item))
        emit drawingChanged(area);
    item = MarkupItem();
}

void MarkupTool::drop()
{
    if (!active)
        return;
    active = false;
    emit drawingChanged(markup::itemBounds(item));
    item = MarkupItem();
}
