#include "MarkupStyle.h"

namespace markup {

QVector<QColor> paletteColours()
{
    return {QColor(0xFF, 0x00, 0x00), QColor(0xFF, 0x8C, 0x00), QColor(0xFF, 0xD4, 0x00),
            QColor(0x2D, 0xB8, 0x4D), QColor(0x1E, 0x6F, 0xFF), QColor(0x9B, 0x4D, 0xFF),
            QColor(0x00, 0x00, 0x00), QColor(0xFF, 0xFF, 0xFF)};
}

std::array<int, sizeChoices> sizesFor(MarkupKind kind)
{
    switch (kind) {
    case MarkupKind::Text:
    case MarkupKind::Number:
        return {14, 18, 28};
    case MarkupKind::Mosaic:
        return {8, 12, 20};
    case MarkupKind::Blur:
        // Radii: even the smallest hides small print; none is safe for a secret (mosaic is).
        return {10, 16, 24};
    default:
        return {2, 4, 8};
    }
}

MarkupStyle defaultStyleFor(MarkupKind kind)
{
    MarkupStyle style;
    style.size = sizesFor(kind)[defaultSizeChoice];
    return style;
}

} // namespace markup
