#include "ocr/OnnxSession.h"
#include "ocr/PpOcrEngine.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <algorithm>
#include <cmath>

// ONNX Runtime loaded while the program runs: the recogniser's model runs on it, and each way
// loading or running can fail comes back as a reason, not a crash.
class OnnxSessionTest : public QObject
{
    Q_OBJECT

private slots:
    void runsTheRecogniser();
    void foldedRecogniserComputesAsTheFetchedOne();
    void failuresComeBackAsReasons_data();
    void failuresComeBackAsReasons();
};

namespace {

const QDir folder(QStringLiteral(TAVO_PPOCR_TEST_DIR));

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray recogniserModel()
{
    return readAll(folder.filePath(QStringLiteral("ch_PP-OCRv4_rec_8bit.onnx")));
}

// The recogniser's probabilities for `line`, in one row.
std::vector<float> probabilities(const QByteArray &model, const OnnxSession::Tensor &line)
{
    QString failure;
    const auto session = OnnxSession::load(folder.filePath(PpOcrEngine::runtimeFileName()), model, &failure);
    std::vector<float> values;
    if (!session || !session->run(line, [&values](const float *out, const std::vector<std::int64_t> &shape) {
            values.assign(out, out + shape[0] * shape[1] * shape[2]);
        }, &failure))
        qWarning("%s", qPrintable(failure));
    return values;
}

// A white line as the recogniser takes it, `channels` deep.
OnnxSession::Tensor whiteLine(int channels, int width)
{
    OnnxSession::Tensor line;
    line.shape = {1, channels, 48, width};
    line.values.assign(static_cast<std::size_t>(channels) * 48 * width, 1.0f);
    return line;
}

} // namespace

void OnnxSessionTest::runsTheRecogniser()
{
    QString failure;
    const auto session = OnnxSession::load(folder.filePath(PpOcrEngine::runtimeFileName()), recogniserModel(), &failure);
    QVERIFY2(session, qPrintable(failure));
    std::vector<std::int64_t> shape;
    std::vector<float> firstRow;
    const auto read = [&](const float *values, const std::vector<std::int64_t> &outputShape) {
        shape = outputShape;
        firstRow.assign(values, values + outputShape.back());
    };
    QVERIFY2(session->run(whiteLine(1, 320), read, &failure), qPrintable(failure));
    // A row of probabilities, over the blank, 6623 characters and the space, for every 8 columns.
    QCOMPARE(shape, (std::vector<std::int64_t>{1, 40, 6625}));
    // Nothing written: the blank between characters is the likeliest.
    QCOMPARE(std::max_element(firstRow.begin(), firstRow.end()) - firstRow.begin(), 0);
}

// The folding, before the 8 bits: every pixel different, the edges included, where a folding that
// changed what the zero padding of a convolution adds would change the reading by tenths. The
// fetched recogniser reads the grey line as three equal channels.
void OnnxSessionTest::foldedRecogniserComputesAsTheFetchedOne()
{
    const QDir sources(QStringLiteral(TAVO_PPOCR_SOURCE_DIR));
    const QByteArray fetched = readAll(sources.filePath(QStringLiteral("ch_PP-OCRv4_rec_infer.onnx")));
    const QByteArray folded = readAll(sources.filePath(QStringLiteral("ch_PP-OCRv4_rec_folded.onnx")));
    if (fetched.isEmpty() || folded.isEmpty())
        QSKIP("the recogniser as fetched and folded is not beside this build's sources");
    OnnxSession::Tensor grey = whiteLine(1, 96);
    for (std::size_t i = 0; i < grey.values.size(); ++i)
        grey.values[i] = static_cast<float>((i * 2654435761u) % 997) / 498.5f - 1.0f;
    OnnxSession::Tensor coloured = whiteLine(3, 96);
    for (std::size_t channel = 0; channel < 3; ++channel)
        std::copy(grey.values.begin(), grey.values.end(), coloured.values.begin() + channel * grey.values.size());
    const std::vector<float> rewritten = probabilities(folded, grey);
    const std::vector<float> original = probabilities(fetched, coloured);
    QCOMPARE(rewritten.size(), original.size());
    QVERIFY(!rewritten.empty());
    float difference = 0;
    for (std::size_t i = 0; i < rewritten.size(); ++i)
        difference = std::max(difference, std::abs(rewritten[i] - original[i]));
    QVERIFY2(difference < 1e-4f, qPrintable(QString::number(difference)));
}

void OnnxSessionTest::failuresComeBackAsReasons_data()
{
    QTest::addColumn<QString>("runtime");
    QTest::addColumn<bool>("realModel");
    QTest::addColumn<int>("channels");

    // A runtime that will not load is the command line's case (tst_text_recognition): a process
    // loads the runtime once, and this one has.
    const QString real = folder.filePath(PpOcrEngine::runtimeFileName());
    QTest::newRow("not a model") << real << false << 3;
    QTest::newRow("input of the wrong depth") << real << true << 3;
}

void OnnxSessionTest::failuresComeBackAsReasons()
{
    QFETCH(QString, runtime);
    QFETCH(bool, realModel);
    QFETCH(int, channels);

    QString failure;
    const auto session = OnnxSession::load(runtime, realModel ? recogniserModel() : QByteArray("not a model"), &failure);
    if (session) {
        bool read = false;
        QVERIFY(!session->run(whiteLine(channels, 64), [&read](const float *, const auto &) { read = true; }, &failure));
        QVERIFY(!read);
    }
    QVERIFY(!failure.isEmpty());
}

QTEST_GUILESS_MAIN(OnnxSessionTest)
#include "tst_onnx_session.moc"
