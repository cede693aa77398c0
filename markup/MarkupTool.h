#pragma once

#include "MarkupItem.h"
#include "MarkupKind.h"
#include "MarkupStyle.h"

#include <QObject>
#include <QPointF>
#include <QRect>

class MarkupDocument;
class QInputMethodEvent;
class QKeyEvent;
class QPainter;

// A way of drawing one kind of item. The viewport hands it the pointer in device pixels of the
// picture; while a drag is under way `drawing()` is the item as it would be now (paint it over
// the layer), and the release adds it to the document as one undo step. This base draws by a
// drag between two points; the tools of other gestures (freehand, a click, text) override.
//
// A viewport repaints the areas `drawingChanged` names (and the document's `changed` ones); one
// change may be told as several rectangles, which the viewport's update() gathers.
class MarkupTool : public QObject
{
    Q_OBJECT

public:
    MarkupTool(MarkupKind kind, MarkupDocument &document, QObject *parent = nullptr);

    MarkupKind kind() const { return itemKind; }

    // The style the next item is drawn with; an item under way keeps the one it started with.
    const MarkupStyle &style() const { return itemStyle; }
    void setStyle(const MarkupStyle &style) { itemStyle = style; }

    virtual void press(const QPointF &point, Qt::KeyboardModifiers modifiers);
    virtual void move(const QPointF &point, Qt::KeyboardModifiers modifiers);
    virtual void release(const QPointF &point, Qt::KeyboardModifiers modifiers);

    // Ends what is under way before the tool is put away (another tool, Esc, the region leaving):
    // a text box is added as it stands; a drag is dropped.
    virtual void finish();

    // The item under way (not yet in the document), or null.
    const MarkupItem *drawing() const { return active ? &item : nullptr; }

    // What the tool shows beside the item under way and never leaves with the picture: an open
    // text box's frame and cursor. The viewport paints it after drawing(), painter set up as for
    // markup::paintMarkup; it stays within the areas drawingChanged has told.
    virtual void paintDecorations(QPainter &) const {}

    // While true the keyboard belongs to the tool (a text box is open): the viewport hands keys
    // and input-method events to keyPress() and inputMethod() before treating them as its own
    // (tool keys, Esc) and answers Qt::ImCursorRectangle with cursorRectangle().
    virtual bool isTyping() const { return false; }
    // Returns whether the key was used.
    virtual bool keyPress(const QKeyEvent &event);
    virtual void inputMethod(const QInputMethodEvent &event);
    // The text cursor in device pixels of the picture (the viewport maps it to its own).
    virtual QRect cursorRectangle() const { return {}; }

signals:
    // The device pixels whose look changed because the item under way changed.
    void drawingChanged(const QRect &area);

protected:
    // Where the dragged point goes with `modifiers` held (Shift constraints); unchanged here.
    virtual QPointF constrained(const QPointF &anchor, const QPointF &point, Qt::KeyboardModifiers modifiers) const;
    // Called after each change of the item under way (mosaic and blur obscure it here).
    virtual void update(MarkupItem &) {}

    // Starts an item of this tool's kind and style at `point`.
    void begin(const QPointF &point);
    // Replaces the item under way by `changed` and reports the area to repaint.
    void show(const MarkupItem &changed);
    // Adds the item under way to the document and ends it.
    void commit();
    // Drops the item under way.
    void drop();

    MarkupDocument &document;
    MarkupItem item;
    bool active = false;

private:
    MarkupKind itemKind;
    MarkupStyle itemStyle;
};
