#pragma once

#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QSize>
#include <QSizeF>

// The arithmetic of a pin's zoom, opacity and placement, free of any window so that it is tested
// on its own. Zoom and opacity are whole percentages.
namespace pin {

inline constexpr int zoomStepPercent = 10;
inline constexpr int smallestZoomPercent = 10;
inline constexpr int largestZoomPercent = 800;
inline constexpr int opacityStepPercent = 10;
inline constexpr int faintestOpacityPercent = 10;
// One notch of an ordinary mouse wheel, in the toolkit's eighths of a degree.
inline constexpr int wheelNotch = 120;

// The zoom `steps` wheel notches away from `percent` (negative: smaller), kept within bounds.
int steppedZoom(int percent, int steps);
// The opacity `steps` notches away from `percent`, between the faintest and fully opaque.
int steppedOpacity(int percent, int steps);

// Whole notches out of wheel turns that may come in fractions (touchpads, smooth wheels): what is
// left over is kept in `pending` for the next turn.
int wheelSteps(int angleDelta, int *pending);

// A picture of `natural` logical size shown at `percent`, rounded, never smaller than one pixel.
QSize zoomedSize(const QSizeF &natural, int percent);

// Where a picture whose top-left is `topLeft` at `oldPercent` goes when it is zoomed to
// `newPercent` about `anchor`: the picture's point under the anchor stays under it. Kept in
// fractions of a pixel, so that steps up and back down end where they started.
QPointF zoomedTopLeft(const QPointF &topLeft, int oldPercent, int newPercent, const QPointF &anchor);

// The zoom that fits a picture of `natural` logical size into `room`: 100 when it fits as it is,
// otherwise the largest whole percentage that fits (but not below the smallest zoom).
int fittingZoom(const QSizeF &natural, const QSize &room);

// A window of `size` placed with its top-left at `pointer`, moved as little as needed to lie
// within `area` (the free area of a screen); a window larger than the area keeps its top-left
// corner on it.
QPoint placeWithin(const QSize &size, const QPoint &pointer, const QRect &area);

} // namespace pin
