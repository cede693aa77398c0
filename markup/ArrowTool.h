#pragma once

#include "MarkupTool.h"

// A: an arrow by a drag, its head where the drag ends; Shift keeps it at a multiple of 45°.
class ArrowTool : public MarkupTool
{
    Q_OBJECT

public:
    explicit ArrowTool(MarkupDocument &document, QObject *parent = nullptr);

protected:
    QPointF constrained(const QPointF &anchor, const QPointF &point, Qt::KeyboardModifiers modifiers) const override;
};
