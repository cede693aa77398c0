#pragma once

#include "ocr/TextEngine.h"

// What a system without an engine offers: only the reason.
class NoTextEngine : public TextEngine
{
public:
    explicit NoTextEngine(const QString &reason) : reason(reason) {}

    QString unavailableReason() const override { return reason; }
    LineShape lineShape() const override { return LineShape{}; }
    QString readLine(const QImage &) override { return QString(); }

private:
    QString reason;
};
