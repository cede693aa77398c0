#pragma once

#include <QMetaType>

// What a mark-up item is, and so which tool draws it.
enum class MarkupKind {
    Rectangle,
    Ellipse,
    Line,
    Arrow,
    Pen,     // freehand
    Marker,  // wide, translucent freehand
    Text,
    Number,  // 1, 2, 3… in a filled circle
    Mosaic,
    Blur,
};

Q_DECLARE_METATYPE(MarkupKind)
