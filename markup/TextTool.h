#pragma once

#include "MarkupTool.h"

#include <memory>

class TextEditing;

// T: a click places a text box at the pointer; a click elsewhere, Esc or another tool ends it
// (an empty box leaves nothing). While a box is open the keyboard belongs to it.
class TextTool : public MarkupTool
{
    Q_OBJECT

public:
    explicit TextTool(MarkupDocument &document, QObject *parent = nullptr);
    ~TextTool() override;

    void press(const QPointF &point, Qt::KeyboardModifiers modifiers) override;
    void move(const QPointF &point, Qt::KeyboardModifiers modifiers) override;
    void release(const QPointF &point, Qt::KeyboardModifiers modifiers) override;
    void finish() override;

    bool isTyping() const override { return editing != nullptr; }
    bool keyPress(const QKeyEvent &event) override;
    void inputMethod(const QInputMethodEvent &event) override;
    QRect cursorRectangle() const override;
    void paintDecorations(QPainter &painter) const override;

private:
    // Shows the box as the editing now has it, the cursor included.
    void refresh();

    std::unique_ptr<TextEditing> editing;
    QRect shownCursor;
};
