#pragma once

#include "MarkupTool.h"

// R: a rectangle's outline by a drag; Shift keeps it square.
class RectangleTool : public MarkupTool
{
    Q_OBJECT

public:
    explicit RectangleTool(MarkupDocument &document, QObject *parent = nullptr);

protected:
    QPointF constrained(const QPointF &anchor, const QPointF &point, Qt::KeyboardModifiers modifiers) const override;
};
