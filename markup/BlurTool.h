#pragma once

#include "MarkupTool.h"

// B: a blur over the dragged rectangle, shown as it will be while dragging.
class BlurTool : public MarkupTool
{
    Q_OBJECT

public:
    explicit BlurTool(MarkupDocument &document, QObject *parent = nullptr);

protected:
    void update(MarkupItem &drawn) override;
};
