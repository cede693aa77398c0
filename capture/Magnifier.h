#pragma once

#include <QPoint>
#include <QRect>
#include <QString>

class QColor;
class QImage;
class QPainter;

// The magnifier beside the pointer: the device pixels around it enlarged, with a grid and a
// crosshair, and below them the pointer's position and that pixel's colour. Pure functions, so the
// box's place and its pixels can be checked without a window. Sizes are in the overlay's
// logical pixels, so the box reads the same at any scale; what it shows is device pixels.

// Device pixels shown across and down, the pointer's in the middle.
constexpr int magnifiedPixels = 15;
// Logical pixels each device pixel is shown as.
constexpr int magnifiedPixelSize = 8;

// The whole box (the enlarged pixels and the text below) at `pointer`, beside it and down to the
// right, or wherever else keeps it on `screen` without covering the pointer.
QRect magnifierBox(const QPoint &pointer, const QRect &screen);

// The colour as text the way it is copied: "#RRGGBB", upper-case hex.
QString colourName(const QColor &colour);

// Paints the box at `box` showing the pixels of `picture` around `centre` (device pixels of the
// picture; those beyond its edges shown black); `position` is what the box reports as the
// pointer's place.
void paintMagnifier(QPainter &painter, const QRect &box, const QImage &picture, const QPoint &centre,
                    const QPoint &position);
