#pragma once

#include <QRect>
#include <QString>

class QImage;
class QPainter;
struct Selection;

// What the overlay draws over the frozen desktop to help choose a region and never hands on: the
// selection's handles and its size readout. Painted in the overlay's
// device pixels; their sizes scale with `ratio` (device pixels per logical one) so that they look
// the same at any scale.

// The part of the overlay shown bright: the selection with its outline.
QRect litArea(const Selection &selection);

// The handles' squares, each centred on its handle.
QRect handleSquare(const QPoint &centre, qreal ratio);
void paintHandles(QPainter &painter, const Selection &selection, qreal ratio);

// "W × H": the size of what a copy takes, in device pixels.
QString sizeReadout(const Selection &selection);
// Where the readout stands: above the selection's top-left corner, inside it where there is no
// room above, always on `screen`.
QRect sizeReadoutBox(const Selection &selection, const QRect &screen, qreal ratio);
void paintSizeReadout(QPainter &painter, const Selection &selection, const QRect &screen, qreal ratio);
