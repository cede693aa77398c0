#pragma once

#include "MarkupTool.h"

// B: a blur over the dragged rectangle, shown nearly as it will be while dragging (a quick
// likeness; the real blur is computed once, on release).
class BlurTool : public MarkupTool
{
    Q_OBJECT

public:
    explicit BlurTool(MarkupDocument &document, QObject *parent = nullptr);

    void release(const QPointF &point, Qt::KeyboardModifiers modifiers) override;

protected:
    void update(MarkupItem &drawn) override;
};
