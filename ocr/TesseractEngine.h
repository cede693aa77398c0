#pragma once

#include "ocr/TextEngine.h"

#include <QByteArray>

namespace tesseract {
class TessBaseAPI;
}

// Debian's tesseract 5 with its Chinese (simplified) and English models, one line per call.
class TesseractEngine : public TextEngine
{
public:
    // `languages` as tesseract names them, e.g. "chi_sim+eng".
    explicit TesseractEngine(const QByteArray &languages = "chi_sim");
    ~TesseractEngine() override;

    QString unavailableReason() const override { return failure; }
    LineShape lineShape() const override { return LineShape{32, 12}; }
    QString readLine(const QImage &line) override;

private:
    std::unique_ptr<tesseract::TessBaseAPI> api;
    QString failure;
};
