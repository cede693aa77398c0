#pragma once

#include "MarkupKind.h"

#include <QColor>
#include <QMetaType>
#include <QVector>

#include <array>

// The colour and size an item is drawn with. Each item keeps its own copy, so changing the style
// bar never changes what is already drawn. `size` means, by kind: the line width (rectangle,
// ellipse, line, arrow, pen; the marker is markerWidthFactor times wider), the text's pixel
// height (text, numbered marker), the block edge (mosaic) or the blur radius (blur), all in
// device pixels of the picture.
struct MarkupStyle {
    QColor colour = QColor(0xFF, 0x00, 0x00);
    int size = 4;

    bool operator==(const MarkupStyle &other) const
    {
        return colour == other.colour && size == other.size;
    }
};

Q_DECLARE_METATYPE(MarkupStyle)

namespace markup {

constexpr int sizeChoices = 3;
constexpr int defaultSizeChoice = 1; // the middle one of the three
constexpr int markerWidthFactor = 4;
constexpr int markerAlpha = 110;

// The eight colours the style bar offers, red (the default) first.
QVector<QColor> paletteColours();

// The three sizes offered for a kind, smallest first.
std::array<int, sizeChoices> sizesFor(MarkupKind kind);

// The style a tool starts with: red and the middle size.
MarkupStyle defaultStyleFor(MarkupKind kind);

} // namespace markup
