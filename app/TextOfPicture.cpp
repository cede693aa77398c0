#include "TextOfPicture.h"

#include "ocr/TextRecognition.h"

#include <QImage>
#include <QImageReader>
#include <QString>

#include <cstdio>

int printTextOfPicture(const QString &fileName)
{
    QImageReader reader(fileName);
    const QImage picture = reader.read();
    if (picture.isNull()) {
        std::fprintf(stderr, "tavo-screenshot: cannot read %s: %s\n", qPrintable(fileName),
                     qPrintable(reader.errorString()));
        return 1;
    }
    const TextRecognitionResult result = recogniseText(picture);
    switch (result.outcome) {
    case TextRecognitionResult::Outcome::NoEngine:
        std::fprintf(stderr, "tavo-screenshot: %s\n", result.failure.toUtf8().constData());
        return 1;
    case TextRecognitionResult::Outcome::NoText:
        std::fprintf(stderr, "tavo-screenshot: %s\n", failureMessage(result).toUtf8().constData());
        return 0;
    case TextRecognitionResult::Outcome::Text:
        break;
    }
    std::fputs((result.text + QLatin1Char('\n')).toUtf8().constData(), stdout);
    return 0;
}
