#include "MarkupDocument.h"

#include "MarkupGeometry.h"
#include "Obscuring.h"

#include <QPainterPath>
#include <QPainterPathStroker>

MarkupDocument::MarkupDocument(const QImage &background, QObject *parent)
    : QObject(parent)
    , frozen(background)
{
}

bool MarkupDocument::add(MarkupItem item)
{
    item.preeditStart = -1;
    item.preeditLength = 0;
    if (!item.patch)
        obscure(item);
    if (!markup::isWorthKeeping(item))
        return false;
    record({Step::Add, int(list.size()), MarkupItem(), item});
    return true;
}

void MarkupDocument::remove(int index)
{
    if (index < 0 || index >= list.size())
        return;
    record({Step::Remove, index, list[index], MarkupItem()});
}

void MarkupDocument::move(int index, const QPointF &offset)
{
    if (index < 0 || index >= list.size() || offset.isNull())
        return;
    MarkupItem moved = list[index];
    moved.translate(offset);
    obscure(moved);
    record({Step::Move, index, list[index], moved});
}

void MarkupDocument::record(const Step &step)
{
    history.resize(done);
    history.append(step);
    ++done;
    apply(step, true);
    emit historyChanged();
}

void MarkupDocument::apply(const Step &step, bool forward)
{
    QRect area;
    switch (step.kind) {
    case Step::Add:
        if (forward)
            list.insert(step.index, step.after);
        else
            list.removeAt(step.index);
        area = markup::itemBounds(step.after);
        break;
    case Step::Remove:
        if (forward)
            list.removeAt(step.index);
        else
            list.insert(step.index, step.before);
        area = markup::itemBounds(step.before);
        break;
    case Step::Move:
        list[step.index] = forward ? step.after : step.before;
        area = markup::itemBounds(step.before) | markup::itemBounds(step.after);
        break;
    }
    emit changed(area);
}

void MarkupDocument::undo()
{
    if (!canUndo())
        return;
    --done;
    apply(history[done], false);
    emit historyChanged();
}

void MarkupDocument::redo()
{
    if (!canRedo())
        return;
    apply(history[done], true);
    ++done;
    emit historyChanged();
}

int MarkupDocument::nextNumber() const
{
    int largest = 0;
    for (const MarkupItem &item : list)
        if (item.kind == MarkupKind::Number)
            largest = std::max(largest, item.number);
    return largest + 1;
}

int MarkupDocument::itemAt(const QPointF &point) const
{
    for (int i = int(list.size()) - 1; i >= 0; --i) {
        const MarkupItem &item = list[i];
        if (!markup::itemBounds(item).contains(point.toPoint()))
            continue;
        // Outlines and strokes are hit near their line only, so a small item inside a large
        // rectangle can still be picked.
        const bool outline = item.kind == MarkupKind::Rectangle || item.kind == MarkupKind::Ellipse
                          || item.kind == MarkupKind::Line || item.kind == MarkupKind::Arrow
                          || item.kind == MarkupKind::Pen || item.kind == MarkupKind::Marker;
        if (!outline)
            return i;
        QPainterPath path;
        if (item.kind == MarkupKind::Rectangle)
            path.addRect(QRectF(item.points.first(), item.points.last()).normalized());
        else if (item.kind == MarkupKind::Ellipse)
            path.addEllipse(QRectF(item.points.first(), item.points.last()).normalized());
        else
            path.addPolygon(QPolygonF(item.points));
        QPainterPathStroker stroker;
        stroker.setWidth(std::max<qreal>(markup::lineWidth(item), 1) + 8);
        if (stroker.createStroke(path).contains(point))
            return i;
    }
    return -1;
}

void MarkupDocument::obscure(MarkupItem &item) const
{
    if (item.kind != MarkupKind::Mosaic && item.kind != MarkupKind::Blur)
        return;
    const QRect area = item.cornerRect();
    const QImage patch = item.kind == MarkupKind::Mosaic ? markup::mosaicPatch(frozen, area, item.style.size)
                                                          : markup::blurPatch(frozen, area, item.style.size);
    item.patchOrigin = (area & frozen.rect()).topLeft();
    item.patch = patch.isNull() ? nullptr : std::make_shared<const QImage>(patch);
}
