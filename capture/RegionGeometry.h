#pragma once

#include <QPoint>
#include <QRect>
#include <QRegion>

class QImage;
class QPainter;
class QPixmap;

// Where things stand on the region overlay and what it paints, kept apart from the window so the
// arithmetic and the pixels can be checked without one. The button row is placed in the overlay's
// logical coordinates, which are the screen's since the overlay covers the screen from its
// top-left corner; selections are in its device pixels, so that on a scaled screen every pixel
// can be chosen.

constexpr int regionButtonSize = 25;

// The three action buttons below the pointer, left to right: cancel, save, copy.
struct RegionButtonRow
{
    QRect cancel;
    QRect save;
    QRect copy;
};

// The row follows the pointer itself, not the selection: 20 pixels below it, centred on the save
// button. Near an edge of `screen` it moves above the pointer or to the left so that every button
// stays inside, in the same order; a null `screen` keeps it below the pointer wherever that is.
RegionButtonRow buttonRowAt(const QPoint &pointer, const QRect &screen = QRect());

// The selection between two points whichever way it was dragged: the top-left point and the
// distances between the points. The outline runs through both points, so its pixels are the
// rectangle's left and top edges and the columns/rows `width`/`height` further on.
QRect normalisedSelection(const QPoint &start, const QPoint &end);

// The part of the selection a save or a copy takes, starting just inside the outline; a copy is
// one pixel wider and higher than a save. Null when the selection is too small to give a picture.
QRect saveGrabRect(const QPoint &start, const QPoint &end);
QRect copyGrabRect(const QPoint &start, const QPoint &end);

// The pixels the selection outline between two points may touch: a band three pixels wide along
// each of its edges. Everything else the overlay paints stays as it is while it is open.
QRegion outlineArea(const QPoint &start, const QPoint &end);

// Which part of the frozen desktop an overlay shows and at what scale: the frozen picture spans
// every screen at device pixels, and each overlay covers one screen. The defaults show the whole
// picture at its own device pixel ratio.
struct OverlayPlacement
{
    QRect source;      // in the frozen picture's pixels; null: all of it
    qreal ratio = 0;   // device pixels per logical pixel of the overlay; 0: the picture's own
};

// The overlay's device pixels per logical pixel.
qreal overlayRatio(const QPixmap &frozen, const OverlayPlacement &placement);

// Paints the overlay: its part of the frozen desktop, the red corner marks at its own top
// corners and the selection outline through `start` and `end`. paintOverlay() takes a painter
// in the overlay's logical coordinates, the other one a painter in its device pixels.
void paintOverlayInDevicePixels(QPainter &painter, const QPixmap &frozen, const QPoint &start, const QPoint &end,
                                const OverlayPlacement &placement = {});
void paintOverlay(QPainter &painter, const QPixmap &frozen, const QPoint &start, const QPoint &end,
                  const OverlayPlacement &placement = {});

// What paintOverlay shows inside `area` (device pixels of the overlay), so the picture
// holds exactly what the user saw there and never another window that happened to be on top.
QImage renderOverlayArea(const QPixmap &frozen, const QPoint &start, const QPoint &end, const QRect &area,
                         const OverlayPlacement &placement = {});
