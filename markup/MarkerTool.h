#pragma once

#include "PenTool.h"

// M: a wide, translucent freehand stroke, to highlight what is under it.
class MarkerTool : public PenTool
{
    Q_OBJECT

public:
    explicit MarkerTool(MarkupDocument &document, QObject *parent = nullptr);
};
