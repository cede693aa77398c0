#pragma once

#include "MarkupItem.h"
#include "MarkupStyle.h"

#include <QPointF>
#include <QRect>
#include <QString>

class QInputMethodEvent;
class QKeyEvent;

// The text of one box being typed: the keys, the input method's composition and the cursor, with
// no window. The viewport hands it key and input-method events; item() is what to paint.
class TextEditing
{
public:
    TextEditing(const QPointF &topLeft, const MarkupStyle &style);

    // Typing, Backspace, Delete, Left/Right/Up/Down/Home/End, Enter or Return for a new line.
    // Returns whether the key was used: keys with Ctrl or Alt (shortcuts) and Esc are not.
    bool keyPress(const QKeyEvent &event);

    // The input method's composition (shown at the cursor, underlined) and its commit (inserted).
    void inputMethod(const QInputMethodEvent &event);

    // The typed text, lines joined by '\n', without the composition.
    const QString &text() const { return typed; }
    const QString &preedit() const { return composing; }
    int cursorPosition() const { return cursor; }

    // What is shown: the text with the composition at the cursor, underlined.
    MarkupItem item() const;
    // What the box leaves when it ends: the text without a composition still open.
    MarkupItem finishedItem() const;

    // Where the cursor stands (after the composition's own cursor), in device pixels: the
    // answer to Qt::ImCursorRectangle once the viewport maps it to its own coordinates.
    QRect cursorRectangle() const;

    // The box on the picture, for telling a click inside it from one elsewhere.
    QRect bounds() const;

private:
    void insert(const QString &words);
    void moveVertically(int lines);

    QPointF origin;
    MarkupStyle style;
    QString typed;
    QString composing;
    int composingCursor = 0; // within `composing`
    int cursor = 0;          // within `typed`
};
