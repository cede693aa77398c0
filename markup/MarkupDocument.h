#pragma once

#include "MarkupItem.h"

#include <QImage>
#include <QObject>
#include <QRect>
#include <QVector>

// The items drawn over one frozen picture, with their undo history.
//
// How a viewport (each screen's region overlay, later the drawing board) uses this folder:
//  - one MarkupDocument for the frozen desktop picture, shared by every viewport; one
//    MarkupLayer per viewport for the device rectangle it shows;
//  - paint: the painter scaled to device pixels and translated so the picture's origin is where
//    it belongs, then layer.paint(painter, area, tool->drawing()) and tool->paintDecorations();
//    the document's `changed` and the tool's `drawingChanged` areas are what to update();
//  - mouse: tool->press/move/release with the pointer in device pixels of the picture and the
//    keyboard modifiers (Shift constrains); where finished items may be picked again, an
//    ItemPicker gets the press first (moving on a drag, Delete removing);
//  - keys: while tool->isTyping(), key and input-method events go to tool->keyPress() and
//    tool->inputMethod() first, and Qt::ImCursorRectangle is tool->cursorRectangle() mapped to
//    the widget; otherwise markup::toolForKey() chooses a tool (MarkupToolRow::setChosenTool
//    shows it), Esc calls tool->finish() and puts it away; Ctrl+Z is undo(), Ctrl+Y and
//    Ctrl+Shift+Z redo();
//  - the style bar's style goes to tool->setStyle(); setToolKind() when the tool changes;
//  - what leaves: layer.markedUp(selection) within one viewport, else markup::renderMarkedUp().
//
// Coordinates are device pixels of `background()`: pixel (x, y) of the frozen desktop picture is
// the point (x, y) here, whichever screen or window shows it. The overlays of several screens
// share one document: each shows its part of the picture and repaints what `changed` names.
//
// Every change is one undo step: adding an item, removing one, moving one. A new change after an
// undo drops the steps that were undone.
class MarkupDocument : public QObject
{
    Q_OBJECT

public:
    // `background` is the frozen picture mosaic and blur take their pixels from; a document
    // without one (a null image) keeps mosaic and blur items out.
    explicit MarkupDocument(const QImage &background = QImage(), QObject *parent = nullptr);

    const QImage &background() const { return frozen; }

    // Bottom first: the order they are painted in.
    const QVector<MarkupItem> &items() const { return list; }

    // Appends `item` as one undo step, its mosaic or blur computed first if it has none yet.
    // An item that would show nothing (see markup::isWorthKeeping) is dropped: returns false.
    bool add(MarkupItem item);
    // Removes item `index` as one undo step.
    void remove(int index);
    // Moves item `index` by `offset` as one undo step (a mosaic or blur is computed again there).
    void move(int index, const QPointF &offset);

    // The topmost item whose painting covers `point`, or -1.
    int itemAt(const QPointF &point) const;

    bool canUndo() const { return done > 0; }
    bool canRedo() const { return done < history.size(); }
    void undo();
    void redo();

    // The number the next numbered marker shows: one more than the largest shown now (so an
    // undone marker's number is given again).
    int nextNumber() const;

    // Fills a Mosaic or Blur item's patch from the background (for the preview while dragging,
    // and before adding); other items are left alone.
    void obscure(MarkupItem &item) const;

signals:
    // The device pixels whose painting changed; a viewport repaints only what it shows of them.
    void changed(const QRect &area);
    // canUndo() or canRedo() may have changed.
    void historyChanged();

private:
    struct Step {
        enum Kind { Add, Remove, Move } kind;
        int index;
        MarkupItem before; // Remove, Move
        MarkupItem after;  // Add, Move
    };

    void record(const Step &step);
    void apply(const Step &step, bool forward);

    QImage frozen;
    QVector<MarkupItem> list;
    QVector<Step> history;
    int done = 0; // steps of `history` in effect
};
