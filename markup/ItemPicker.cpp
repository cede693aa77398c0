#include "ItemPicker.h"

#include "MarkupDocument.h"
#include "Obscuring.h"

#include <QPainter>

namespace {

constexpr int frameMargin = 3;

} // namespace

ItemPicker::ItemPicker(MarkupDocument &document, QObject *parent)
    : QObject(parent)
    , document(document)
{
    // An undo or another change may take the item away or shift the indices.
    connect(&document, &MarkupDocument::changed, this, [this] {
        if (!dragging)
            clear();
    });
}

bool ItemPicker::press(const QPointF &point)
{
    const QRect before = shownArea();
    index = document.itemAt(point);
    dragging = index >= 0;
    if (dragging) {
        grabbedAt = point;
        moved = document.items().at(index);
    }
    showChange(before);
    return index >= 0;
}

void ItemPicker::move(const QPointF &point)
{
    if (!dragging)
        return;
    const QRect before = shownArea();
    moved = document.items().at(index);
    moved.translate(point - grabbedAt);
    // A blur would cost too much on every move: its likeness until the document moves it.
    if (moved.kind == MarkupKind::Blur) {
        const QRect area = moved.cornerRect();
        const QImage preview = markup::blurPreview(document.background(), area, moved.style.size);
        moved.patchOrigin = (area & document.background().rect()).topLeft();
        if (!preview.isNull())
            moved.patch = std::make_shared<const QImage>(preview);
    } else {
        document.obscure(moved);
    }
    showChange(before);
}

void ItemPicker::release(const QPointF &point)
{
    if (!dragging)
        return;
    move(point);
    const QRect before = shownArea();
    dragging = false;
    const int picked = index;
    emit drawingChanged(before);
    document.move(picked, point - grabbedAt);
    // The move's `changed` forgot the pick; the item stays picked where it now is.
    index = picked;
    emit drawingChanged(shownArea());
}

void ItemPicker::clear()
{
    const QRect before = shownArea();
    index = -1;
    dragging = false;
    emit drawingChanged(before);
}

void ItemPicker::removePicked()
{
    if (index < 0)
        return;
    const int picked = index;
    clear();
    document.remove(picked);
}

void ItemPicker::paintDecorations(QPainter &painter) const
{
    if (index < 0)
        return;
    painter.save();
    painter.setPen(QPen(QColor(0x80, 0x80, 0x80), 1, Qt::DashLine));
    painter.setBrush(Qt::NoBrush);
    const MarkupItem &shown = dragging ? moved : document.items().at(index);
    const QRect frame = markup::itemBounds(shown).adjusted(-frameMargin, -frameMargin, frameMargin, frameMargin);
    painter.drawRect(QRectF(frame).adjusted(0.5, 0.5, -0.5, -0.5));
    painter.restore();
}

QRect ItemPicker::shownArea() const
{
    if (index < 0)
        return {};
    QRect area = markup::itemBounds(document.items().at(index));
    if (dragging)
        area |= markup::itemBounds(moved);
    return area.adjusted(-frameMargin, -frameMargin, frameMargin, frameMargin);
}

void ItemPicker::showChange(const QRect &before)
{
    emit drawingChanged(before | shownArea());
}
