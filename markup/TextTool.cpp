#include "TextTool.h"

#include "TextEditing.h"

#include <QPainter>

TextTool::TextTool(MarkupDocument &document, QObject *parent)
    : MarkupTool(MarkupKind::Text, document, parent)
{
}

TextTool::~TextTool() = default;

void TextTool::press(const QPointF &point, Qt::KeyboardModifiers)
{
    if (editing) {
        // A click inside the open box keeps typing there; elsewhere it ends the box.
        if (!editing->bounds().contains(point.toPoint()))
            finish();
        return;
    }
    begin(point);
    editing = std::make_unique<TextEditing>(point, style());
    refresh();
}

void TextTool::move(const QPointF &, Qt::KeyboardModifiers)
{
}

void TextTool::release(const QPointF &, Qt::KeyboardModifiers)
{
}

void TextTool::finish()
{
    if (!editing)
        return;
    // The frame and the cursor go, and with them a composition the input method had not
    // committed: all of what was shown is repainted, the item's own area again once added.
    const QRect shown = markup::itemBounds(item) | shownCursor;
    item = editing->finishedItem();
    editing.reset();
    shownCursor = QRect();
    emit drawingChanged(shown);
    commit();
}

bool TextTool::keyPress(const QKeyEvent &event)
{
    if (!editing || !editing->keyPress(event))
        return false;
    refresh();
    return true;
}

void TextTool::inputMethod(const QInputMethodEvent &event)
{
    if (!editing)
        return;
    editing->inputMethod(event);
    refresh();
}

QRect TextTool::cursorRectangle() const
{
    return editing ? editing->cursorRectangle() : QRect();
}

void TextTool::paintDecorations(QPainter &painter) const
{
    if (!editing)
        return;
    painter.save();
    // A thin dashed frame shows where the box is even while it is empty; the cursor takes the
    // text's colour.
    painter.setPen(QPen(QColor(0x80, 0x80, 0x80), 1, Qt::DashLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(editing->bounds()).adjusted(0.5, 0.5, -0.5, -0.5));
    painter.fillRect(editing->cursorRectangle(), style().colour);
    painter.restore();
}

void TextTool::refresh()
{
    // The cursor is part of what is shown: the viewport draws it from cursorRectangle().
    const QRect cursorBefore = shownCursor;
    shownCursor = editing->cursorRectangle();
    show(editing->item());
    emit drawingChanged(cursorBefore | shownCursor);
}
