#pragma once

#include <QPoint>
#include <QRect>
#include <QVector>

// How a chosen selection is adjusted: its handles, moving and resizing it with the pointer or the
// keys, and taking a window's frame as it. Kept apart from the overlay so that every step can be
// checked without a window. Everything here is in device pixels of one overlay's screen, with
// (0, 0) at its top-left corner.
//
// A selection is given by the two points its outline runs through, as the overlay has always
// kept it: the picture taken is the inside of the outline. Once chosen it is normalised (`start`
// top-left), and each point may lie one pixel off the screen, so that the inside reaches the
// screen's edge.

// Where a press lands on a chosen selection, and so what dragging from there does.
enum class SelectionPart { Outside, Inside, TopLeft, Top, TopRight, Right, BottomRight, Bottom, BottomLeft, Left };

struct Selection
{
    QPoint start;
    QPoint end;

    bool operator==(const Selection &other) const { return start == other.start && end == other.end; }
    bool operator!=(const Selection &other) const { return !(*this == other); }
};

// The selection whose inside, the part a copy takes, is exactly `inside`.
Selection selectionAround(const QRect &inside);

// The same selection with `start` at its top-left.
Selection normalised(const Selection &selection);

// The eight handles' centres: the corners and the middles of the edges, in the order of
// SelectionPart from TopLeft on.
QVector<QPoint> handleCentres(const Selection &selection);

// What a press at `point` grabs: a handle within `reach` device pixels of it, else the inside or
// the outside.
SelectionPart partAt(const Selection &selection, const QPoint &point, int reach);

// The selection after the pointer dragged `part` by `delta` from `before`; dragging a handle past
// the opposite edge turns the selection over. Kept within `screen` (its points at most one pixel
// outside), and, moved, of the same size.
Selection dragged(const Selection &before, SelectionPart part, const QPoint &delta, const QRect &screen);

// The keyboard's adjustment: arrows move the selection; with `resize` they move its right or
// bottom edge instead, never so far that nothing is left inside it. `step` device pixels at a time.
Selection nudged(const Selection &before, int key, bool resize, int step, const QRect &screen);

// The frame under `point` among `frames` (top first), clipped to `screen`; the whole screen where
// none is.
QRect frameAt(const QVector<QRect> &frames, const QPoint &point, const QRect &screen);

// Where a window's `frame` lies on the overlay of a screen that lies at `screen` in the window
// system's coordinates and shows `overlay` device pixels of the frozen desktop.
QRect frameOnOverlay(const QRect &frame, const QRect &screen, const QSize &overlay);

// A press and release closer than this in both directions is a click, not a drag.
constexpr int clickTolerance = 3;
bool isClick(const QPoint &press, const QPoint &release);
