#pragma once

#include "MarkupItem.h"

#include <QObject>
#include <QPointF>
#include <QRect>

class MarkupDocument;
class QPainter;

// Picking a finished item again: a press on it picks it, a drag moves it (one undo step on
// release), Delete removes it (one step). The viewport offers the press here first, with a tool
// chosen or not, and hands it to the tool only when nothing was picked. While dragging, the item
// stays where it was until the release and drawing() shows where it goes.
class ItemPicker : public QObject
{
    Q_OBJECT

public:
    explicit ItemPicker(MarkupDocument &document, QObject *parent = nullptr);

    // Picks the topmost item under `point` (outlines and strokes near their line); returns false,
    // picking nothing, when there is none.
    bool press(const QPointF &point);
    void move(const QPointF &point);
    void release(const QPointF &point);

    // The picked item's index in the document, or -1.
    int picked() const { return index; }
    // Forgets the pick (another tool, a press elsewhere, Esc).
    void clear();
    // Removes the picked item from the document as one undo step.
    void removePicked();

    // The picked item at the pointer while it is dragged, or null.
    const MarkupItem *drawing() const { return dragging ? &moved : nullptr; }
    // A dashed frame around the picked item, where it is and where it is being dragged.
    void paintDecorations(QPainter &painter) const;

signals:
    // The device pixels whose look changed (the frame, the dragged item).
    void drawingChanged(const QRect &area);

private:
    QRect shownArea() const;
    void showChange(const QRect &before);

    MarkupDocument &document;
    int index = -1;
    bool dragging = false;
    QPointF grabbedAt;
    MarkupItem moved;
};
