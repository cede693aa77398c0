#pragma once

#include "MarkupTool.h"

// E: an ellipse's outline by a drag over its box; Shift keeps it round.
class EllipseTool : public MarkupTool
{
    Q_OBJECT

public:
    explicit EllipseTool(MarkupDocument &document, QObject *parent = nullptr);

protected:
    QPointF constrained(const QPointF &anchor, const QPointF &point, Qt::KeyboardModifiers modifiers) const override;
};
