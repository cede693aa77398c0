#pragma once

#include "MarkupTool.h"

// P: a freehand stroke following the pointer from press to release.
class PenTool : public MarkupTool
{
    Q_OBJECT

public:
    explicit PenTool(MarkupDocument &document, QObject *parent = nullptr);

    void press(const QPointF &point, Qt::KeyboardModifiers modifiers) override;
    void move(const QPointF &point, Qt::KeyboardModifiers modifiers) override;
    void release(const QPointF &point, Qt::KeyboardModifiers modifiers) override;

protected:
    PenTool(MarkupKind kind, MarkupDocument &document, QObject *parent);
};
