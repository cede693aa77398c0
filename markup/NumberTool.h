#pragma once

#include "MarkupTool.h"

// N: a numbered marker where the pointer is released (it follows the pointer while pressed),
// numbered one more than the largest shown.
class NumberTool : public MarkupTool
{
    Q_OBJECT

public:
    explicit NumberTool(MarkupDocument &document, QObject *parent = nullptr);

    void press(const QPointF &point, Qt::KeyboardModifiers modifiers) override;
    void move(const QPointF &point, Qt::KeyboardModifiers modifiers) override;
};
