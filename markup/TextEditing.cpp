#include "TextEditing.h"

#include "MarkupText.h"

#include <QInputMethodEvent>
#include <QKeyEvent>

TextEditing::TextEditing(const QPointF &topLeft, const MarkupStyle &style)
    : origin(topLeft)
    , style(style)
{
}

bool TextEditing::keyPress(const QKeyEvent &event)
{
    if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    switch (event.key()) {
    case Qt::Key_Escape:
        return false;
    case Qt::Key_Backspace:
        if (cursor > 0)
            typed.remove(--cursor, 1);
        return true;
    case Qt::Key_Delete:
        typed.remove(cursor, 1);
        return true;
    case Qt::Key_Left:
        cursor = std::max(0, cursor - 1);
        return true;
    case Qt::Key_Right:
        cursor = std::min(int(typed.size()), cursor + 1);
        return true;
    case Qt::Key_Up:
        moveVertically(-1);
        return true;
    case Qt::Key_Down:
        moveVertically(1);
        return true;
    case Qt::Key_Home:
        cursor = typed.lastIndexOf(QLatin1Char('\n'), cursor - 1) + 1;
        return true;
    case Qt::Key_End: {
        const int end = typed.indexOf(QLatin1Char('\n'), cursor);
        cursor = end < 0 ? int(typed.size()) : end;
        return true;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
        insert(QStringLiteral("\n"));
        return true;
    default:
        break;
    }
    QString words;
    for (const QChar c : event.text())
        if (c.category() != QChar::Other_Control)
            words += c;
    if (words.isEmpty())
        return false;
    insert(words);
    return true;
}

void TextEditing::inputMethod(const QInputMethodEvent &event)
{
    if (event.replacementLength() > 0 || event.replacementStart() != 0) {
        const int from = qBound(0, cursor + event.replacementStart(), int(typed.size()));
        const int length = std::min(event.replacementLength(), int(typed.size()) - from);
        typed.remove(from, length);
        cursor = from;
    }
    insert(event.commitString());
    composing = event.preeditString();
    composingCursor = composing.size();
    for (const QInputMethodEvent::Attribute &attribute : event.attributes())
        if (attribute.type == QInputMethodEvent::Cursor)
            composingCursor = qBound(0, attribute.start, int(composing.size()));
}

MarkupItem TextEditing::item() const
{
    MarkupItem shown = finishedItem();
    if (!composing.isEmpty()) {
        shown.text.insert(cursor, composing);
        shown.preeditStart = cursor;
        shown.preeditLength = composing.size();
    }
    return shown;
}

MarkupItem TextEditing::finishedItem() const
{
    MarkupItem finished;
    finished.kind = MarkupKind::Text;
    finished.style = style;
    finished.points = {origin};
    finished.text = typed;
    return finished;
}

QRect TextEditing::cursorRectangle() const
{
    const QString shown = item().text;
    return markup::textCursorRect(origin, style.size, shown, cursor + composingCursor).toAlignedRect();
}

QRect TextEditing::bounds() const
{
    return markup::itemBounds(item());
}

void TextEditing::insert(const QString &words)
{
    typed.insert(cursor, words);
    cursor += words.size();
}

void TextEditing::moveVertically(int lines)
{
    const QString before = typed.left(cursor);
    const int line = before.count(QLatin1Char('\n')) + lines;
    if (line < 0 || line > typed.count(QLatin1Char('\n')))
        return;
    const qreal x = markup::textCursorRect(QPointF(), style.size, typed, cursor).x();
    cursor = markup::textPositionAt(typed, style.size, line, x);
}
