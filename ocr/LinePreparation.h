#pragma once

#include <vector>

class QImage;

// Turning a picture of text into the lines an engine reads best: dark text on a light ground,
// one line each, scaled to one text height, with a margin. Pure functions.

// A run of rows [top, bottom) that holds ink.
struct TextBand
{
    int top = 0;
    int bottom = 0;
    int height() const { return bottom - top; }
};

// The most common grey of an 8-bit grey picture: its ground.
int groundLevel(const QImage &grey);
// 8-bit grey.
QImage greyscale(const QImage &picture);
// Whether the most common grey (the ground) is darker than the middle.
bool hasDarkGround(const QImage &grey);
// The picture in grey with dark text on a light ground, whatever its theme.
QImage textOnLightGround(const QImage &picture);
// The bands of rows that hold ink, top to bottom; a gap thinner than a fifth of the bands beside
// it (the strokes of 三 or 二) does not split a line.
std::vector<TextBand> findTextBands(const QImage &lightGrey);
// The bands tall enough to be text (findTextBands without rules and underlines).
std::vector<TextBand> findTextLines(const QImage &lightGrey);
// The band's rows scaled so that its ink is `textHeight` high, with `margin` rows and columns of
// ground (`ground`, the picture's groundLevel, counted once for all its lines) around.
QImage preparedLine(const QImage &lightGrey, int ground, const TextBand &band, int textHeight, int margin);
// A stretch of columns [left, right) of a prepared line, and how many blank columns parted it
// from the stretch before.
struct LinePiece
{
    int left = 0;
    int right = 0;
    int gapBefore = 0;
};

// The prepared line cut into pieces about `maxWidth` wide at most, each cut in the middle of the
// widest run of blank columns in the second half of the piece before it (or the first run after
// it, where that half has none), so that no character is cut; one piece where there is no run.
std::vector<LinePiece> linePieces(const QImage &line, int maxWidth);
// Every line of the picture, prepared.
std::vector<QImage> preparedLines(const QImage &picture, int textHeight, int margin);
