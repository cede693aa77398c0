// Character error rate of text recognition on lines rendered here, in the fonts Debian has, light
// and dark, 12 to 28 px, at scale 1 and 2: Debian's tesseract as it comes (chi_sim+eng, one line
// per call, its raw output) beside the program's recognition, in the same run; then the time to
// read a 1920x1080 picture full of text, wall clock and processor. Run by bench/ocr-accuracy.sh.
//   ocr-accuracy [--engine ppocr|tesseract] [--heights H1,H2,...] [--runs N] [--verbose] [--time-only]
#include "ocr/TextRecognition.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QStringList>
#include <QThread>
#include <QTimer>
#include <QtConcurrent>

#include <tesseract/baseapi.h>

#include <algorithm>
#include <array>
#include <ctime>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

const QStringList corpus{
    // Chinese interface text
    QStringLiteral("文件已保存到桌面。"),
    QStringLiteral("是否删除所选的三个文件？"),
    QStringLiteral("设置：显示、声音、通知"),
    QStringLiteral("无法连接到服务器，请稍后再试。"),
    QStringLiteral("剪贴板中的图片已复制！"),
    QStringLiteral("启动时自动检查更新"),
    QStringLiteral("用户名或密码错误，请重新输入。"),
    QStringLiteral("正在下载（已完成百分之八十）"),
    QStringLiteral("打开文件夹；选择图片；开始编辑"),
    QStringLiteral("确定要退出程序吗？"),
    QStringLiteral("点击“开始”按钮继续安装"),
    QStringLiteral("网络连接已断开，正在重新连接"),
    QStringLiteral("请选择要导入的联系人"),
    QStringLiteral("当前没有可用的更新"),
    // English
    QStringLiteral("File saved to the desktop."),
    QStringLiteral("Unable to connect to the server, please try again later."),
    QStringLiteral("Do you want to delete 3 selected files?"),
    QStringLiteral("Settings: Display, Sound, Notifications"),
    QStringLiteral("Version 2.3.1 (released on 2024-05-12)"),
    QStringLiteral("Warning! Disk space is low: 512 MB left."),
    QStringLiteral("Press Ctrl+Alt+X to capture the whole screen."),
    // Chinese with numbers, Latin letters and punctuation
    QStringLiteral("截图保存格式：PNG或JPEG"),
    QStringLiteral("分辨率为1920×1080，刷新率为60赫兹。"),
    QStringLiteral("共有15条新消息，3条未读。"),
    QStringLiteral("版本2.3.1已发布，修复了若干问题。"),
    QStringLiteral("今天下午3:30开会，地点在二楼会议室。"),
    QStringLiteral("磁盘空间不足：剩余512MB"),
    QStringLiteral("请输入验证码（6位数字）"),
    QStringLiteral("上传失败！文件大小超过20MB。"),
    QStringLiteral("按Ctrl+C复制，按Ctrl+V粘贴。"),
    QStringLiteral("错误代码：0x80070005，请联系管理员。"),
    QStringLiteral("已选择3个文件，共2.5MB。"),
    QStringLiteral("设置 › 显示 › 分辨率 1920×1080"),
};

const QStringList fonts{QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Micro Hei"),
                        QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Droid Sans Fallback")};
constexpr std::array<int, 5> sizes{12, 14, 16, 20, 28};

struct Style
{
    QString font;
    int pixelSize = 16;
    bool dark = false;
    int scale = 1;
};

QImage render(const QString &text, const Style &style)
{
    QFont font(style.font);
    font.setPixelSize(style.pixelSize * style.scale);
    const QFontMetrics metrics(font);
    const int pad = 8 * style.scale;
    QImage image(metrics.horizontalAdvance(text) + 2 * pad, metrics.height() + 2 * pad, QImage::Format_RGB32);
    image.fill(style.dark ? QColor(0x1e, 0x1e, 0x1e) : QColor(Qt::white));
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(style.dark ? QColor(0xdc, 0xdc, 0xdc) : QColor(0x20, 0x20, 0x20));
    painter.drawText(pad, pad + metrics.ascent(), text);
    return image;
}

int editDistance(const QString &a, const QString &b)
{
    std::vector<int> row(b.size() + 1);
    for (int j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (int i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = i;
        for (int j = 1; j <= b.size(); ++j) {
            const int above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// Debian's tesseract as it comes: the rendered picture as it is, one line per call.
class Baseline
{
public:
    Baseline()
    {
        api.SetVariable("debug_file", "/dev/null");
        ready = api.Init(nullptr, "chi_sim+eng") == 0;
        api.SetPageSegMode(tesseract::PSM_SINGLE_LINE);
    }
    ~Baseline() { api.End(); }
    bool isReady() const { return ready; }
    QString read(const QImage &picture)
    {
        api.SetImage(picture.constBits(), picture.width(), picture.height(), 4, static_cast<int>(picture.bytesPerLine()));
        const std::unique_ptr<char[]> text(api.GetUTF8Text());
        return QString::fromUtf8(text.get()).trimmed();
    }

private:
    tesseract::TessBaseAPI api;
    bool ready = false;
};

// Each line in two styles per font, the styles cycling through sizes, themes and scales.
std::vector<std::pair<QString, Style>> samples()
{
    std::vector<std::pair<QString, Style>> result;
    constexpr int styleCount = static_cast<int>(sizes.size()) * 4;
    for (int line = 0; line < corpus.size(); ++line) {
        for (int f = 0; f < fonts.size(); ++f) {
            for (int k = 0; k < 2; ++k) {
                const int s = (line * 7 + f * 3 + k * 11) % styleCount;
                result.push_back({corpus[line], Style{fonts[f], sizes[s % sizes.size()], (s / 5) % 2 == 1, 1 + s / 10}});
            }
        }
    }
    return result;
}

struct Tally
{
    long errors = 0;
    long characters = 0;
    double rate() const { return characters ? 100.0 * errors / characters : 0; }
};

struct Page
{
    QImage picture;
    QString text;
};

QString withoutSpaces(QString text)
{
    return text.remove(QRegularExpression(QStringLiteral("\\s")));
}

Page pageFullOfText()
{
    QImage page(1920, 1080, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    QFont font(fonts.first());
    font.setPixelSize(16);
    painter.setFont(font);
    painter.setPen(QColor(0x20, 0x20, 0x20));
    QString text;
    int next = 0;
    for (int y = 30; y < 1070; y += 26) {
        QString row;
        while (QFontMetrics(font).horizontalAdvance(row + corpus[next % corpus.size()]) < 1880)
            row += corpus[next++ % corpus.size()] + QStringLiteral("  ");
        painter.drawText(16, y, row);
        text += row;
    }
    return Page{page, withoutSpaces(text)};
}

struct Timing
{
    qint64 wallMs = 0;
    double processorMs = 0;
    int lines = 0;
    int characters = 0;
    int errors = 0;
};

Timing readPage(const Page &page, int textHeight)
{
    QElapsedTimer clock;
    clock.start();
    // The processor time too: on a machine busy with other work it tells what the wall clock
    // would be on idle cores.
    const std::clock_t processorStart = std::clock();
    const TextRecognitionResult result = recogniseText(page.picture, textHeight);
    Timing timing;
    timing.processorMs = 1000.0 * static_cast<double>(std::clock() - processorStart) / CLOCKS_PER_SEC;
    timing.wallMs = clock.elapsed();
    timing.lines = static_cast<int>(result.text.count(QLatin1Char('\n')) + 1);
    timing.characters = static_cast<int>(result.text.size());
    // Where the spaces between its phrases go is a matter of taste; every other character counts.
    timing.errors = editDistance(page.text, withoutSpaces(result.text));
    return timing;
}

// The longest the calling thread's event loop stood still, ticking every 5 ms, while the page was
// read on the workers as the 识别结果 window has it read.
qint64 longestStandstill(const QImage &page, int textHeight)
{
    QFutureWatcher<TextRecognitionResult> watcher;
    QEventLoop loop;
    QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
    QElapsedTimer sinceTick;
    qint64 longest = 0;
    QTimer ticks;
    ticks.setInterval(5);
    QObject::connect(&ticks, &QTimer::timeout, [&] { longest = std::max(longest, sinceTick.restart()); });
    sinceTick.start();
    ticks.start();
    watcher.setFuture(QtConcurrent::run([page, textHeight] { return recogniseText(page, textHeight); }));
    loop.exec();
    return longest;
}

QString heightLabel(int textHeight)
{
    return textHeight > 0 ? QStringLiteral("text height %1 px").arg(textHeight) : QStringLiteral("its own text height");
}

// The page read with the engines to load first, as the first reading after a while is, then
// `runs` times more with them loaded; the median of those.
void timeFullPage(int textHeight, int runs)
{
    const Page page = pageFullOfText();
    releaseIdleTextEngines();
    const Timing cold = readPage(page, textHeight);
    std::vector<Timing> warm;
    for (int run = 0; run < runs; ++run)
        warm.push_back(readPage(page, textHeight));
    std::sort(warm.begin(), warm.end(), [](const Timing &a, const Timing &b) { return a.wallMs < b.wallMs; });
    const Timing &median = warm[warm.size() / 2];
    std::vector<double> processor;
    for (const Timing &timing : warm)
        processor.push_back(timing.processorMs);
    std::sort(processor.begin(), processor.end());
    const qint64 standstill = longestStandstill(page.picture, textHeight);
    std::printf("  1920x1080 full of text (%d lines, %d characters read, %.2f %% wrong not counting spaces), %s, "
                "%d cores:\n"
                "    engines loaded: %lld ms (median of %d, %lld-%lld ms), %.0f ms of processor time (%.2f ms a "
                "character)\n    engines to load first: %lld ms, %.0f ms of processor time\n",
                median.lines, median.characters, 100.0 * median.errors / std::max(1, int(page.text.size())),
                qPrintable(heightLabel(textHeight)), QThread::idealThreadCount(), static_cast<long long>(median.wallMs),
                runs, static_cast<long long>(warm.front().wallMs), static_cast<long long>(warm.back().wallMs),
                processor[processor.size() / 2], processor[processor.size() / 2] / std::max(1, median.characters),
                static_cast<long long>(cold.wallMs), cold.processorMs);
    std::printf("    while it was read once more on the workers, the calling thread stood still at most %lld ms\n",
                static_cast<long long>(standstill));
}

// The program's recognition with one engine: its error rate over the lines at each text height,
// then the full page.
void measureEngine(const std::vector<std::pair<QString, Style>> &lines, const QList<int> &heights, int runs,
                   bool verbose)
{
    // Loads the engine before anything is timed.
    recogniseText(render(corpus.first(), Style{fonts.first()}));
    for (const int height : heights) {
        Tally tally;
        QElapsedTimer clock;
        clock.start();
        for (const auto &[truth, style] : lines) {
            const QString text = recogniseText(render(truth, style), height).text;
            const int errors = editDistance(truth, text);
            tally.errors += errors;
            tally.characters += truth.size();
            if (verbose && errors > 0)
                std::printf("  %s %dpx %s x%d: want %s, read %s\n", qPrintable(style.font), style.pixelSize,
                            style.dark ? "dark" : "light", style.scale, qPrintable(truth), qPrintable(text));
        }
        std::printf("  %-40s %5.2f %%  (%.0f ms a line)\n", qPrintable(heightLabel(height) + QLatin1Char(':')),
                    tally.rate(), static_cast<double>(clock.elapsed()) / lines.size());
    }
    for (const int height : heights)
        timeFullPage(height, runs);
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const bool verbose = arguments.contains(QStringLiteral("--verbose"));
    const int runsAt = arguments.indexOf(QStringLiteral("--runs"));
    const int runs = runsAt > 0 && runsAt + 1 < arguments.size() ? std::max(1, arguments[runsAt + 1].toInt()) : 3;
    QList<int> heights{0};
    const int heightsAt = arguments.indexOf(QStringLiteral("--heights"));
    if (heightsAt > 0 && heightsAt + 1 < arguments.size()) {
        heights.clear();
        for (const QString &h : arguments[heightsAt + 1].split(QLatin1Char(',')))
            heights << h.toInt();
    }
    const int engineAt = arguments.indexOf(QStringLiteral("--engine"));
    const QString onlyEngine = engineAt > 0 && engineAt + 1 < arguments.size() ? arguments[engineAt + 1] : QString();
    for (const QString &family : fonts)
        if (!QFontDatabase().families().contains(family))
            std::printf("note: font %s is missing; Qt substitutes another\n", qPrintable(family));

    Baseline baseline;
    if (!baseline.isReady()) {
        std::fprintf(stderr, "ocr-accuracy: tesseract's chi_sim and eng data are missing\n");
        return 1;
    }
    const auto all = samples();
    std::vector<std::pair<QString, Style>> lines = arguments.contains(QStringLiteral("--time-only")) ? decltype(all){} : all;
    if (!lines.empty()) {
        Tally base;
        QElapsedTimer clock;
        clock.start();
        for (const auto &[truth, style] : lines) {
            base.errors += editDistance(truth, baseline.read(render(truth, style)));
            base.characters += truth.size();
        }
        std::printf("character error rate over %d lines (%ld characters), punctuation and spaces counted:\n",
                    static_cast<int>(lines.size()), base.characters);
        std::printf("Debian's tesseract as it comes (chi_sim+eng, psm 7, raw): %5.2f %%  (%.0f ms a line)\n",
                    base.rate(), static_cast<double>(clock.elapsed()) / lines.size());
    }
    // The engine the program chooses first, then the one it falls back on.
    const std::vector<std::pair<QString, QByteArray>> engines{
        {QStringLiteral("ppocr"), QByteArray()}, {QStringLiteral("tesseract"), QByteArrayLiteral("tesseract")}};
    for (const auto &[name, setting] : engines) {
        if (!onlyEngine.isEmpty() && onlyEngine != name)
            continue;
        qputenv("TAVO_OCR_ENGINE", setting);
        releaseIdleTextEngines();
        const TextRecognitionResult probe = recogniseText(render(corpus.first(), Style{fonts.first()}));
        std::printf("tavo-screenshot with %s%s\n",
                    name == QLatin1String("ppocr") ? "PaddleOCR's PP-OCRv4 recogniser (ONNX Runtime)" : "tesseract (chi_sim)",
                    probe.outcome == TextRecognitionResult::Outcome::NoEngine ? qPrintable(QStringLiteral(": ") + probe.failure) : ":");
        if (probe.outcome != TextRecognitionResult::Outcome::NoEngine)
            measureEngine(lines, heights, runs, verbose);
    }
    std::printf("targets: at most 3 %% of characters wrong; the page within 2000 ms\n");
    return 0;
}
