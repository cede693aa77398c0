#pragma once

#include <QImage>
#include <QRect>

class MarkupDocument;
class QPainter;
struct MarkupItem;

// Painting the items: pure functions of the items and the picture, used by the viewports, by the
// cache (MarkupLayer) and for what leaves (copy, save).
//
// `painter` is set up so that one unit is one device pixel of the picture and the picture's
// origin is where it belongs on the target (a viewport showing part of the picture translates,
// and scales where its logical pixels are not device pixels).
namespace markup {

// One item, as it looks finished (a text still being typed shows its pre-edit underlined).
void paintItem(QPainter &painter, const MarkupItem &item);

// Every item of `document` that reaches into `deviceArea`, bottom first. Draws nothing outside
// `deviceArea` (it clips the painter there and restores it after).
void paintMarkup(QPainter &painter, const MarkupDocument &document, const QRect &deviceArea);

// `deviceArea` of `frozen` (in the document's coordinates: pixel (x, y) of `frozen` is the point
// (x, y)) with the items painted over it: the picture that leaves on copy or save. Every pixel
// that no item covers is the frozen picture's, exactly. The result is `deviceArea` ∩ `frozen`
// sized, in the frozen picture's format (an indexed or odd one is turned into 32-bit RGB).
QImage renderMarkedUp(const QImage &frozen, const MarkupDocument &document, const QRect &deviceArea);

} // namespace markup
