#pragma once

#include "MarkupKind.h"
#include "MarkupStyle.h"

#include <QImage>
#include <QMetaType>
#include <QPointF>
#include <QRect>
#include <QRegion>
#include <QString>
#include <QVector>

#include <memory>

// One drawn thing, in device pixels of the frozen picture (not of any window).
//
// `points` by kind:
//   Rectangle, Ellipse, Mosaic, Blur: the two corners of the drag (any order);
//   Line, Arrow: start and end (the arrow's head at the end);
//   Pen, Marker: every point of the stroke, in order;
//   Text: the top-left corner of the first line;
//   Number: the centre of the circle.
struct MarkupItem {
    MarkupKind kind = MarkupKind::Rectangle;
    MarkupStyle style;
    QVector<QPointF> points;
    QString text;      // Text: its lines joined by '\n'
    int number = 0;    // Number: the digit(s) shown

    // Text being composed by an input method, shown underlined: a range of `text`. Only a text
    // box still being typed has one; a finished item never does.
    int preeditStart = -1;
    int preeditLength = 0;

    // Mosaic and Blur: the obscured pixels, computed once from the frozen picture and shared by
    // every copy of the item (the undo stack keeps copies), drawn at `patchOrigin`.
    std::shared_ptr<const QImage> patch;
    QPoint patchOrigin;

    // The integer rectangle of the two corners, both included (Rectangle, Ellipse, Mosaic, Blur).
    QRect cornerRect() const;

    // Moves every point (and the patch with them; a moved Mosaic or Blur needs a new patch).
    void translate(const QPointF &offset);
};

Q_DECLARE_METATYPE(MarkupItem)

namespace markup {

// The device pixels painting `item` may touch: nothing is drawn outside it.
QRect itemBounds(const MarkupItem &item);

// The same more closely where that saves much painting: a rectangle's outline is four bands, not
// the whole box (a rectangle dragged across a 4K screen would repaint all of it on every move).
QRegion itemRegion(const MarkupItem &item);

// Whether the item shows anything: a drag of no extent, an empty text, a mosaic outside the
// picture are dropped instead of becoming an undo step.
bool isWorthKeeping(const MarkupItem &item);

} // namespace markup
