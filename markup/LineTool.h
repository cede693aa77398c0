#pragma once

#include "MarkupTool.h"

// L: a straight line by a drag; Shift keeps it at a multiple of 45°.
class LineTool : public MarkupTool
{
    Q_OBJECT

public:
    explicit LineTool(MarkupDocument &document, QObject *parent = nullptr);

protected:
    QPointF constrained(const QPointF &anchor, const QPointF &point, Qt::KeyboardModifiers modifiers) const override;
};
