#include "ocr/TextRecognition.h"
#include "ocr/TextRecognitionWindow.h"

#include "TestSupport.h"

#include <QClipboard>
#include <QDir>
#include <QFontDatabase>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>

// Reading known Chinese text end to end: from a picture file on the command line, and through
// the 识别结果 window onto the clipboard.
class TextRecognitionTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void commandLinePrintsTheText_data();
    void commandLinePrintsTheText();
    void windowPutsTheTextOnTheClipboard();
    void windowSaysWhenThereIsNoText();
    void linesComeBackInOrder_data();
    void linesComeBackInOrder();

private:
    QTemporaryDir folder;
};

namespace {

const QString knownText = QStringLiteral("文件已保存到桌面。\n共有15条新消息，3条未读。");
constexpr int readingTimeoutMs = 60000;

// The known text in a common interface font, light on dark as a dark theme shows it.
QImage picture(const QString &text)
{
    QImage image(420, 90, QImage::Format_RGB32);
    image.fill(QColor(0x1e, 0x1e, 0x1e));
    QPainter painter(&image);
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPixelSize(20);
    painter.setFont(font);
    painter.setPen(QColor(0xdc, 0xdc, 0xdc));
    painter.drawText(QRect(12, 10, 400, 80), Qt::AlignLeft | Qt::AlignTop, text);
    return image;
}

QWidget *resultWindow()
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && widget->windowTitle() == QStringLiteral("识别结果"))
            return widget;
    return nullptr;
}

} // namespace

void TextRecognitionTest::initTestCase()
{
    if (!QFontDatabase().families().contains(QStringLiteral("Noto Sans CJK SC")))
        QSKIP("the known text is drawn in Noto Sans CJK SC (fonts-noto-cjk)");
    QVERIFY(picture(knownText).save(folder.filePath(QStringLiteral("text.png"))));
    QVERIFY(picture(QString()).save(folder.filePath(QStringLiteral("blank.png"))));
    QVERIFY(support::writeFile(folder.filePath(QStringLiteral("broken.png")), support::pngMagic));
    // A recogniser folder whose runtime is not a library.
    QVERIFY(QDir(folder.path()).mkpath(QStringLiteral("broken-runtime")));
    for (const QString &name : {QStringLiteral("libonnxruntime.so.1"), QStringLiteral("onnxruntime.dll"),
                                QStringLiteral("ch_PP-OCRv4_rec_8bit.onnx")})
        QVERIFY(support::writeFile(folder.filePath(QStringLiteral("broken-runtime/") + name), "not a library"));
    QVERIFY(support::writeFile(folder.filePath(QStringLiteral("broken-runtime/ppocr_keys_v1.txt")), "文\n字\n"));
}

void TextRecognitionTest::commandLinePrintsTheText_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("engine");
    QTest::addColumn<QString>("tessdata");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("reason");

    // "ppocr" rows read with PaddleOCR's recogniser, "tesseract" rows with tesseract.
    QTest::newRow("known text") << "text.png" << "ppocr" << "" << 0 << knownText + "\n" << "";
    QTest::newRow("known text, tesseract") << "text.png" << "tesseract" << "" << 0 << knownText + "\n" << "";
    QTest::newRow("no text") << "blank.png" << "ppocr" << "" << 0 << "" << "未识别到文字";
    QTest::newRow("broken file") << "broken.png" << "ppocr" << "" << 1 << "" << "cannot read";
    QTest::newRow("missing file") << "none.png" << "ppocr" << "" << 1 << "" << "cannot read";
    QTest::newRow("no tesseract models") << "text.png" << "tesseract" << "/nonexistent" << 1 << "" << "tesseract-ocr-chi-sim";
    QTest::newRow("runtime that will not load: tesseract reads") << "text.png" << "broken-runtime" << "" << 0
                                                                << knownText + "\n" << "";
    QTest::newRow("runtime that will not load, no tesseract models")
        << "text.png" << "broken-runtime" << "/nonexistent" << 1 << "" << "无法加载文字识别引擎";
}

void TextRecognitionTest::commandLinePrintsTheText()
{
    QFETCH(QString, file);
    QFETCH(QString, engine);
    QFETCH(QString, tessdata);
    if (engine == QLatin1String("tesseract") && !TAVO_HAS_TESSERACT)
        QSKIP("this build has no tesseract");
    if (engine != QLatin1String("tesseract") && !TAVO_HAS_PPOCR)
        QSKIP("this build has no PaddleOCR recogniser (scripts/fetch-ppocr.sh)");
    QFETCH(int, status);
    QFETCH(QString, output);
    QFETCH(QString, reason);
    if (engine == QLatin1String("broken-runtime") && status == 0 && !TAVO_HAS_TESSERACT)
        QSKIP("this build has no tesseract to fall back on");

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // Reading a file needs no desktop.
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    if (!tessdata.isEmpty())
        environment.insert(QStringLiteral("TESSDATA_PREFIX"), tessdata);
    if (engine == QLatin1String("tesseract"))
        environment.insert(QStringLiteral("TAVO_OCR_ENGINE"), engine);
    if (engine == QLatin1String("broken-runtime"))
        environment.insert(QStringLiteral("TAVO_PPOCR_DIR"), folder.filePath(QStringLiteral("broken-runtime")));
    program.setProcessEnvironment(environment);
    program.start(qEnvironmentVariable("TAVO_BIN"), {QStringLiteral("--ocr"), folder.filePath(file)});
    QVERIFY(program.waitForFinished(readingTimeoutMs));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    const QString errors = QString::fromUtf8(program.readAllStandardError());
    // Windows' console writes its lines with CR LF.
    QCOMPARE(QString::fromUtf8(program.readAllStandardOutput()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")), output);
    QVERIFY2(errors.contains(reason), qPrintable(errors));
    QCOMPARE(program.exitCode(), status);
}

void TextRecognitionTest::windowPutsTheTextOnTheClipboard()
{
    QGuiApplication::clipboard()->clear();
    showTextRecognition(picture(knownText));
    QWidget *window = resultWindow();
    // Open at once, busy while it reads.
    QVERIFY(window);
    TAVO_WAIT_FOR(QGuiApplication::clipboard()->text() == knownText, readingTimeoutMs, "the text on the clipboard");
    QCOMPARE(window->findChild<QPlainTextEdit *>()->toPlainText(), knownText);
    QVERIFY(window->findChild<QLabel *>()->text().startsWith(QStringLiteral("用时")));
    window->close();
}

void TextRecognitionTest::windowSaysWhenThereIsNoText()
{
    showTextRecognition(picture(QString()));
    QWidget *window = resultWindow();
    QVERIFY(window);
    QLabel *status = window->findChild<QLabel *>();
    TAVO_WAIT_FOR(status->text() == QStringLiteral("未识别到文字"), readingTimeoutMs, "未识别到文字");
    QVERIFY(!window->findChild<QPlainTextEdit *>()->isVisible());
    window->close();
}

void TextRecognitionTest::linesComeBackInOrder_data()
{
    QTest::addColumn<int>("lineCount");

    // Fewer lines than workers, and many more, so that each worker reads several.
    QTest::newRow("1 line") << 1;
    QTest::newRow("12 lines") << 12;
}

void TextRecognitionTest::linesComeBackInOrder()
{
    QFETCH(int, lineCount);

    QStringList lines;
    for (int line = 1; line <= lineCount; ++line)
        lines << QStringLiteral("第%1行文字").arg(line);
    QImage page(360, 34 * lineCount + 20, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPixelSize(20);
    painter.setFont(font);
    for (int line = 0; line < lineCount; ++line)
        painter.drawText(QRect(12, 10 + 34 * line, 340, 34), Qt::AlignLeft | Qt::AlignVCenter, lines[line]);
    painter.end();

    const TextRecognitionResult result = recogniseText(page);
    QCOMPARE(result.outcome, TextRecognitionResult::Outcome::Text);
    QCOMPARE(result.text.split(QLatin1Char('\n')), lines);
}

QTEST_MAIN(TextRecognitionTest)
#include "tst_text_recognition.moc"
