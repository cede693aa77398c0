#include "ocr/OnnxSession.h"
#include "ocr/PpOcrEngine.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <algorithm>

// ONNX Runtime loaded while the program runs: the recogniser's model runs on it, and each way
// loading or running can fail comes back as a reason, not a crash.
class OnnxSessionTest : public QObject
{
    Q_OBJECT

private slots:
    void runsTheRecogniser();
    void failuresComeBackAsReasons_data();
    void failuresComeBackAsReasons();
};

namespace {

const QDir folder(QStringLiteral(TAVO_PPOCR_TEST_DIR));

QByteArray recogniserModel()
{
    QFile file(folder.filePath(QStringLiteral("ch_PP-OCRv4_rec_infer.onnx")));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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
    QVERIFY2(session->run(whiteLine(3, 320), read, &failure), qPrintable(failure));
    // A row of probabilities, over the blank, 6623 characters and the space, for every 8 columns.
    QCOMPARE(shape, (std::vector<std::int64_t>{1, 40, 6625}));
    // Nothing written: the blank between characters is the likeliest.
    QCOMPARE(std::max_element(firstRow.begin(), firstRow.end()) - firstRow.begin(), 0);
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
    QTest::newRow("input of the wrong depth") << real << true << 1;
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
