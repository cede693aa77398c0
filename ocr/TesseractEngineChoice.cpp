#include "ocr/TesseractEngine.h"

std::unique_ptr<TextEngine> makeTextEngine()
{
    return std::make_unique<TesseractEngine>(qgetenv("TAVO_OCR_LANGUAGES").isEmpty() ? QByteArray("chi_sim+eng") : qgetenv("TAVO_OCR_LANGUAGES"));
}
