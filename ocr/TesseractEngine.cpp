#include "TesseractEngine.h"

#include <QImage>
#include <QStringList>

#include <omp.h>
#include <tesseract/baseapi.h>

#include <memory>

namespace {

// Debian's package for each model tesseract may be asked to load.
QString packageOf(const QString &language)
{
    QString name = language;
    return QStringLiteral("tesseract-ocr-") + name.replace(QLatin1Char('_'), QLatin1Char('-'));
}

QString missingModelsReason(const QByteArray &languages)
{
    QStringList packages;
    for (const QString &language : QString::fromLatin1(languages).split(QLatin1Char('+')))
        packages << packageOf(language);
    return QStringLiteral("缺少文字识别数据，请安装 Debian 软件包 %1").arg(packages.join(QStringLiteral(" ")));
}

} // namespace

TesseractEngine::TesseractEngine(const QByteArray &languages) : api(std::make_unique<tesseract::TessBaseAPI>())
{
    // Tesseract's notes about guessed resolutions and empty pages would otherwise go to stderr,
    // where the command line's own output must stay readable.
    api->SetVariable("debug_file", "/dev/null");
    if (api->Init(nullptr, languages.constData(), tesseract::OEM_LSTM_ONLY) != 0) {
        failure = missingModelsReason(languages);
        api.reset();
        return;
    }
    api->SetPageSegMode(tesseract::PSM_SINGLE_LINE);
    // Tesseract reads a line it is unsure of a second time, inverted, in case it was light on
    // dark; the lines come dark on light already, so that second reading only costs time.
    api->SetVariable("tessedit_do_invert", "0");
    // The lines come scaled to a known height; a guessed resolution would only add a warning.
    api->SetVariable("user_defined_dpi", "300");
}

TesseractEngine::~TesseractEngine()
{
    if (api)
        api->End();
}

QString TesseractEngine::readLine(const QImage &line)
{
    if (!api || line.isNull())
        return QString();
    // Debian's tesseract runs parts of its network on four OpenMP threads per line, whatever the
    // cores: beside the other workers they only wait for each other, five times slower on two
    // cores. Each worker reads its lines alone instead.
    omp_set_max_active_levels(0);
    const QImage grey = line.format() == QImage::Format_Grayscale8 ? line : line.convertToFormat(QImage::Format_Grayscale8);
    api->SetImage(grey.constBits(), grey.width(), grey.height(), 1, static_cast<int>(grey.bytesPerLine()));
    const std::unique_ptr<char[]> text(api->GetUTF8Text());
    api->Clear();
    return text ? QString::fromUtf8(text.get()).trimmed() : QString();
}
