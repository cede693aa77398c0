#pragma once

#include <QFont>
#include <QPointF>
#include <QRectF>
#include <QString>

struct MarkupItem;

// Where the letters of a text item and the digits of a numbered marker go. Painting, the bounds
// and the text cursor all measure with these, so the cursor stands where the letters are drawn.
namespace markup {

// The font of text items and numbered markers: the application's, `pixelSize` device pixels.
QFont textFont(int pixelSize);

// The distance between two lines of a text item in that font.
qreal textLineSpacing(int pixelSize);

// The box of a text item's lines (at least one line high, a few pixels wide when empty).
QRectF textBounds(const MarkupItem &item);

// The text cursor before character `position` of `text` laid out from `topLeft`: a thin box one
// line high.
QRectF textCursorRect(const QPointF &topLeft, int pixelSize, const QString &text, int position);

// The character position nearest to `x` on line `line` of `text` (lines split at '\n').
int textPositionAt(const QString &text, int pixelSize, int line, qreal x);

// The filled circle of a numbered marker.
QRectF numberCircle(const MarkupItem &item);

} // namespace markup
