#pragma once

#include "SelectionGeometry.h"

#include <QRegion>

// What the pointer and the keys do to one overlay's selection, apart from any window, and which
// device pixels each step changes on the screen: the outline, the dimming around it, its handles
// and its size readout. Before the first press the window under the pointer is outlined; a click
// takes it, a drag makes a free rectangle; a chosen selection moves and resizes by its handles,
// by a drag from inside and by the arrow keys. Every step returns the area to repaint, empty
// when nothing on the screen changed.
class SelectionTracker
{
public:
    enum class Mode {
        Waiting,    // nothing chosen; the window under the pointer is outlined
        Pressed,    // the left button is down, not yet moved far enough to be a drag
        Drawing,    // a free rectangle is being dragged
        Adjusting,  // a handle or the whole selection is being dragged
        Chosen,     // a selection stands
    };

    // `area`: the overlay in device pixels; `ratio`: device pixels per logical pixel.
    SelectionTracker(const QRect &area, qreal ratio);

    // Where the overlay's device pixels now end (an overlay without a picture learns it late).
    void setArea(const QRect &deviceArea) { area = deviceArea; }
    // The windows a click may take, top first.
    void setWindowFrames(const QVector<QRect> &frames) { windowFrames = frames; }

    QRegion hover(const QPoint &at);
    QRegion leave();
    QRegion press(const QPoint &at);
    QRegion move(const QPoint &at);
    QRegion release(const QPoint &at);
    // An arrow key's step on a chosen selection (see nudged()).
    QRegion nudge(int key, bool resize, int step);
    // `chosen` as the selection, as if just drawn.
    QRegion choose(const Selection &chosen);
    QRegion clear();

    Mode mode() const { return current; }
    bool hasSelection() const { return current == Mode::Chosen || current == Mode::Adjusting; }
    // The selection as the two points its outline runs through, normalised once chosen.
    Selection selection() const { return normalised({startPoint, endPoint}); }
    Selection rawSelection() const { return {startPoint, endPoint}; }
    // What is outlined now: the selection, or the window a click would take; empty for neither.
    Selection shown() const;
    // Whether the magnifier follows the pointer now: while a corner or an edge is being placed.
    bool magnifies() const;
    // What a press at `at` would grab, and the pointer's shape that tells it.
    SelectionPart partUnder(const QPoint &at) const;
    Qt::CursorShape cursorShape(const QPoint &at) const;

private:
    QRegion changedSince(const Selection &before) const;
    QRegion decorations(const Selection &shown) const;

    QRect area;
    qreal ratio = 1;
    int reach = 6;  // how near a handle a press must land to take it, in device pixels
    QVector<QRect> windowFrames;
    Mode current = Mode::Waiting;
    QPoint startPoint;
    QPoint endPoint;
    QRect hovered;
    QPoint pressPoint;
    Selection pressSelection;
    SelectionPart pressPart = SelectionPart::Outside;
};
