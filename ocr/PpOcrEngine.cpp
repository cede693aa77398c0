#include "PpOcrEngine.h"

#include "ocr/CtcDecoding.h"
#include "ocr/LinePreparation.h"
#include "ocr/OnnxSession.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

#if defined(__SSE__) || defined(_M_X64)
#include <xmmintrin.h>
#endif

namespace {

// PP-OCRv4 as scripts/ppocr/ rewrites it: folded for the runtime's blocked layout, with 8-bit
// convolutions.
const QString modelFile = QStringLiteral("ch_PP-OCRv4_rec_8bit.onnx");
const QString charactersFile = QStringLiteral("ppocr_keys_v1.txt");
// The network's input height.
constexpr int networkHeight = 48;
// Longer lines are read in pieces about this wide: the network's cost per column grows with the
// length of what it reads (by a third from 640 to 2560 columns).
constexpr int maxPieceWidth = 640;

// Numbers too small for the float format's normal range flushed to zero on this thread while it
// reads: the runtime's kernels, which run on the calling thread, handle them several times more
// slowly, at a size no reading depends on (8 % of the processor time in bench/ocr-accuracy).
class FlushDenormals
{
public:
#if defined(__SSE__) || defined(_M_X64)
    FlushDenormals() : saved(_mm_getcsr()) { _mm_setcsr(saved | flushToZero | denormalsAreZero); }
    ~FlushDenormals() { _mm_setcsr(saved); }
    FlushDenormals(const FlushDenormals &) = delete;
    FlushDenormals &operator=(const FlushDenormals &) = delete;

private:
    static constexpr unsigned int flushToZero = 0x8000;
    static constexpr unsigned int denormalsAreZero = 0x0040;
    unsigned int saved;
#endif
};

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

// An 8-bit grey line as the network takes it: one channel of grey from -1 (black) to 1 (white).
OnnxSession::Tensor networkInput(QImage grey)
{
    if (grey.height() > networkHeight)
        grey = grey.scaledToHeight(networkHeight, Qt::SmoothTransformation).convertToFormat(QImage::Format_Grayscale8);
    const int top = (networkHeight - grey.height()) / 2;
    const int width = grey.width();
    OnnxSession::Tensor tensor;
    tensor.shape = {1, 1, networkHeight, width};
    tensor.values.resize(static_cast<std::size_t>(networkHeight) * width);
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
    const FlushDenormals flush;
    // A gap a word space wide or wider parts words; narrower ones part Chinese characters.
    const int wordSpace = std::max(1, (grey.height() - 2 * shape.margin) / 5);
    QString text;
    for (const LinePiece &piece : linePieces(grey, maxPieceWidth)) {
        QString pieceText;
        const auto decode = [this, &pieceText](const float *values, const std::vector<std::int64_t> &dimensions) {
            if (dimensions.size() == 3)
                pieceText = decodeCtc(values, static_cast<int>(dimensions[1]), static_cast<int>(dimensions[2]), characters);
        };
        QString why;
        if (!session->run(networkInput(grey.copy(piece.left, 0, piece.right - piece.left, grey.height())), decode, &why)) {
            qWarning("text recognition: %s", qPrintable(why));
            return QString();
        }
        if (piece.gapBefore >= wordSpace)
            text += QLatin1Char(' ');
        text += pieceText;
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
