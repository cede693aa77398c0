#pragma once

#include <QPoint>
#include <QVector>

class QColor;
class QPainter;
class QPen;
class QPixmap;

// The two drawing steps of the board's canvas. The window's paint and the saving of a picture
// both use them, so a saved picture has exactly the layout seen on screen.

// Draws the picture turned by `angle` degrees (clockwise on screen) and scaled along its own axes,
// both about its centre, which stays at offset + (w/2, h/2). The painter's state is left as found.
void drawPicture(QPainter &painter, const QPixmap &picture, int angle, double scaleX,
                 double scaleY, QPoint offset);

// The pen of every stroke: square caps, each segment a line of its own. A negative width (the
// settings dialog passes any typed number on) is the thinnest pen, width 0.
QPen strokePen(const QColor &color, int width);

// Draws every stroke with one square-capped pen, each segment as a line of its own; a stroke of
// a single point draws nothing. A negative width is drawn as the thinnest pen (width 0). The pen
// stays set on the painter.
void drawStrokes(QPainter &painter, const QVector<QVector<QPoint>> &strokes, const QColor &color,
                 int width);
