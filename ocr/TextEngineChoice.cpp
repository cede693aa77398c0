#include "ocr/NoTextEngine.h"
#include "ocr/PpOcrEngine.h"
#ifdef TAVO_TESSERACT
#include "ocr/TesseractEngine.h"
#endif

#include <QCoreApplication>
#include <QDir>
#include <QStringList>

namespace {

// Where PaddleOCR's recogniser and its runtime may be: the folder named by TAVO_PPOCR_DIR, the
// installed one (beside the program on Windows), then the build's own, for running uninstalled.
QStringList ppOcrFolders()
{
    const QString chosen = qEnvironmentVariable("TAVO_PPOCR_DIR");
    if (!chosen.isEmpty())
        return {chosen};
    QStringList folders;
    const QDir program(QCoreApplication::applicationDirPath());
#ifdef Q_OS_WIN
    folders << program.filePath(QStringLiteral("ocr"));
#else
    folders << program.filePath(QStringLiteral(TAVO_PPOCR_RELATIVE_DIR));
#endif
    folders << QStringLiteral(TAVO_PPOCR_BUILD_DIR);
    return folders;
}

#ifndef TAVO_TESSERACT
QString missingEngineReason()
{
#ifdef Q_OS_WIN
    return QStringLiteral("此版本不含文字识别功能");
#else
    return QStringLiteral("缺少文字识别引擎：请运行 scripts/fetch-ppocr.sh");
#endif
}
#endif

} // namespace

// PaddleOCR's recogniser where it is installed and loads; else Debian's tesseract where the build
// has it and its model is there; else the first of them that says why it cannot read.
// TAVO_OCR_ENGINE=tesseract asks for tesseract, as the benchmark does for its comparison.
std::unique_ptr<TextEngine> makeTextEngine()
{
    std::unique_ptr<TextEngine> paddle;
    if (qEnvironmentVariable("TAVO_OCR_ENGINE") != QLatin1String("tesseract")) {
        for (const QString &folder : ppOcrFolders()) {
            if (PpOcrEngine::isComplete(folder)) {
                paddle = std::make_unique<PpOcrEngine>(folder);
                break;
            }
        }
        if (paddle && paddle->unavailableReason().isEmpty())
            return paddle;
    }
#ifdef TAVO_TESSERACT
    auto tesseract = std::make_unique<TesseractEngine>();
    if (!paddle || tesseract->unavailableReason().isEmpty())
        return tesseract;
    return paddle;
#else
    return paddle ? std::move(paddle) : std::make_unique<NoTextEngine>(missingEngineReason());
#endif
}
