#include "ocr/TesseractEngine.h"

std::unique_ptr<TextEngine> makeTextEngine()
{
    return std::make_unique<TesseractEngine>();
}
