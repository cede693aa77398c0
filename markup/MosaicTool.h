#pragma once

#include "MarkupTool.h"

// X: a mosaic over the dragged rectangle, shown as it will be while dragging.
class MosaicTool : public MarkupTool
{
    Q_OBJECT

public:
    explicit MosaicTool(MarkupDocument &document, QObject *parent = nullptr);

protected:
    void update(MarkupItem &drawn) override;
};
