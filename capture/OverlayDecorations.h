#pragma once

#include <QRect>
#include <QString>

class QImage;
class QPainter;
class QPixmap;
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

// The frozen desktop inside `exposed`, taken from `frozen` at `origin` on, darker outside `lit`
// (a blend over what is painted, nothing made in advance). Returns the bright part.
QRect paintDimmedDesktop(QPainter &painter, const QPixmap &frozen, const QPoint &origin, const QRect &exposed,
                         const QRect &lit);
// What stands over the desktop where `shown` is outlined: the corner marks and the outline, then
// the handles (`withHandles`) and the size readout. Nothing where nothing is shown.
void paintSelectionDecorations(QPainter &painter, const Selection &shown, bool withHandles, const QRect &screen,
                               qreal ratio);
