#include "PpOcrEngine.h"

#include "ocr/CtcDecoding.h"
#include "ocr/LinePreparation.h"
#include "ocr/OnnxSession.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

namespace {

const QString modelFile = QStringLiteral("ch_PP-OCRv4_rec_infer.onnx");
const QString charactersFile = QStringLiteral("ppocr_keys_v1.txt");
// The network's input height.
constexpr int networkHeight = 48;
// Longer lines are read in pieces about this wide: the network's cost per column grows with the
// length of what it reads (by a third from 640 to 2560 columns).
constexpr int maxPieceWidth = 640;

QStringList readCharacters(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList characters = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    if (!characters.isEmpty() && characters.last().isEmpty())
        characters.removeLast();
    // The model's last class, after the list, is the space.
    characters << QStringLiteral(" ");
    return characters;
}

// The line as the network takes it: three equal channels of grey from -1 (black) to 1 (white).
OnnxSession::Tensor networkInput(const QImage &line)
{
    QImage grey = line.convertToFormat(QImage::Format_Grayscale8);
    if (grey.height() > networkHeight)
        grey = grey.scaledToHeight(networkHeight, Qt::SmoothTransformation).convertToFormat(QImage::Format_Grayscale8);
    const int top = (networkHeight - grey.height()) / 2;
    const int width = grey.width();
    OnnxSession::Tensor tensor;
    tensor.shape = {1, 3, networkHeight, width};
    tensor.values.resize(static_cast<std::size_t>(3) * networkHeight * width);
    float *plane = tensor.values.data();
    // A line lower than the network's input is centred on its own ground.
    const float ground = grey.constScanLine(0)[0] / 127.5f - 1.0f;
    std::fill(plane, plane + static_cast<std::size_t>(networkHeight) * width, ground);
    for (int y = 0; y < grey.height(); ++y) {
        const uchar *row = grey.constScanLine(y);
        float *out = plane + static_cast<std::size_t>(y + top) * width;
        for (int x = 0; x < width; ++x)
            out[x] = row[x] / 127.5f - 1.0f;
    }
    const std::size_t planeSize = static_cast<std::size_t>(networkHeight) * width;
    std::copy_n(plane, planeSize, plane + planeSize);
    std::copy_n(plane, planeSize, plane + 2 * planeSize);
    return tensor;
}

} // namespace

PpOcrEngine::PpOcrEngine(const QString &folder)
{
    const QDir dir(folder);
    QFile model(dir.filePath(modelFile));
    characters = readCharacters(dir.filePath(charactersFile));
    if (!model.open(QIODevice::ReadOnly) || characters.size() < 2) {
        failure = QStringLiteral("缺少文字识别模型 %1").arg(QDir::toNativeSeparators(model.fileName()));
        return;
    }
    QString why;
    session = OnnxSession::load(dir.filePath(runtimeFileName()), model.readAll(), &why);
    if (!session)
        failure = QStringLiteral("无法加载文字识别引擎：%1").arg(why);
}

PpOcrEngine::~PpOcrEngine() = default;

LineShape PpOcrEngine::lineShape() const
{
    // Ink 28 px high in the network's 48 (bench/ocr-accuracy: 1.2 % of characters wrong; 24 px,
    // a fifth less work, already 2.8 %).
    return LineShape{28, (networkHeight - 28) / 2};
}

QString PpOcrEngine::readLine(const QImage &line)
{
    if (!session || line.isNull())
        return QString();
    const QImage grey = line.convertToFormat(QImage::Format_Grayscale8);
    const LineShape shape = lineShape();
    // A gap a word space wide or wider parts words; narrower ones part Chinese characters.
    const int wordSpace = std::max(1, (grey.height() - 2 * shape.margin) / 5);
    QString text;
    for (const LinePiece &piece : linePieces(grey, maxPieceWidth)) {
        OnnxSession::Tensor scores;
        QString why;
        if (!session->run(networkInput(grey.copy(piece.left, 0, piece.right - piece.left, grey.height())), &scores, &why)
            || scores.shape.size() != 3) {
            qWarning("text recognition: %s", qPrintable(why));
            return QString();
        }
        if (piece.gapBefore >= wordSpace)
            text += QLatin1Char(' ');
        text += decodeCtc(scores.values.data(), static_cast<int>(scores.shape[1]), static_cast<int>(scores.shape[2]),
                          characters);
    }
    return text.simplified();
}

QString PpOcrEngine::runtimeFileName()
{
#ifdef Q_OS_WIN
    return QStringLiteral("onnxruntime.dll");
#else
    return QStringLiteral("libonnxruntime.so.1");
#endif
}

bool PpOcrEngine::isComplete(const QString &folder)
{
    const QDir dir(folder);
    return QFileInfo::exists(dir.filePath(runtimeFileName())) && QFileInfo::exists(dir.filePath(modelFile))
        && QFileInfo::exists(dir.filePath(charactersFile));
}
