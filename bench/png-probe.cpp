// The PNG encoders and the saving of a capture, for bench/capture-latency.sh.
//   png-probe encoders PICTURE [RUNS]   Qt's writer as the program used it before (quality 80 on
//                                       the clipboard, its default for files) and ours, on the
//                                       picture in a file: median time, size, and whether Qt's
//                                       reader gives the same pixels back
//   png-probe encoders WxH [RUNS]       the same on a made-up desktop of windows, icons and text
//   png-probe save PICTURE [RUNS]       a shown window saves the picture as a capture, as the panel
//                                       does once a name is chosen: the time until the file is
//                                       complete and the longest the window's event loop stood
//                                       still meanwhile, now and as the program saved before (Qt's
//                                       writer at its default, on the GUI thread)
#include "capture/CaptureSave.h"
#include "common/BackgroundSave.h"
#include "common/PngEncoder.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr qint64 slowEncoderMs = 8000;

// What a screen of work looks like: a gradient wallpaper under overlapping windows with title
// bars, rows of icons and lines of small text.
QImage desktopOfWindows(const QSize &size)
{
    QImage desktop(size, QImage::Format_RGB32);
    QPainter painter(&desktop);
    QLinearGradient wallpaper(0, 0, size.width(), size.height());
    wallpaper.setColorAt(0, QColor(40, 70, 120));
    wallpaper.setColorAt(1, QColor(90, 140, 190));
    painter.fillRect(desktop.rect(), wallpaper);
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    QRandomGenerator random(3);
    const int windows = size.width() * size.height() / 600000 + 1;
    for (int w = 0; w < windows; ++w) {
        const QSize windowSize(qMin(size.width(), 700 + random.bounded(600)), qMin(size.height(), 500 + random.bounded(500)));
        const QRect window(QPoint(random.bounded(size.width() - windowSize.width() + 1),
                                  random.bounded(size.height() - windowSize.height() + 1)), windowSize);
        painter.fillRect(window, QColor(246, 245, 244));
        painter.fillRect(QRect(window.topLeft(), QSize(window.width(), 34)), QColor(222, 221, 218));
        painter.setPen(QColor(190, 190, 190));
        painter.drawRect(window.adjusted(0, 0, -1, -1));
        painter.setPen(Qt::black);
        painter.drawText(window.adjusted(12, 8, 0, 0), QStringLiteral("Window %1").arg(w));
        for (int i = 0; i < 8; ++i) {
            const QRect icon(window.left() + 12 + i * 40, window.top() + 44, 28, 28);
            QLinearGradient shade(icon.topLeft(), icon.bottomRight());
            shade.setColorAt(0, QColor::fromHsv(random.bounded(360), 180, 220));
            shade.setColorAt(1, QColor::fromHsv(random.bounded(360), 200, 120));
            painter.fillRect(icon, shade);
        }
        painter.setPen(QColor(30, 30, 30));
        for (int y = window.top() + 90; y < window.bottom() - 16; y += 18) {
            QString line;
            for (int i = 20 + random.bounded(80); i > 0; --i)
                line += random.bounded(6) == 0 ? QChar(' ') : QChar('a' + random.bounded(26));
            painter.drawText(window.left() + 14, y, line);
        }
    }
    return desktop;
}

QByteArray encodeWithQt(const QImage &picture, int quality)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "PNG");
    writer.setQuality(quality);
    writer.write(picture);
    return bytes;
}

bool samePixels(const QImage &picture, const QByteArray &png)
{
    const QImage decoded = QImage::fromData(png, "PNG");
    return !decoded.isNull()
           && decoded.convertToFormat(QImage::Format_ARGB32) == picture.convertToFormat(QImage::Format_ARGB32);
}

void compareEncoders(const QImage &picture, int runs)
{
    const struct
    {
        const char *name;
        std::function<QByteArray()> encode;
    } encoders[] = {
        {"Qt's writer, quality 80 (the old clipboard)", [&] { return encodeWithQt(picture, 80); }},
        {"Qt's writer, its default (the old save)", [&] { return encodeWithQt(picture, -1); }},
        {"ours (the clipboard and every save now)", [&] { return encodePng(picture); }},
    };
    for (const auto &encoder : encoders) {
        std::vector<double> times;
        QByteArray png;
        QElapsedTimer spent;
        spent.start();
        // Qt's default takes seconds on a large picture: fewer runs of it once it has had its time.
        while (times.empty() || (int(times.size()) < runs && spent.elapsed() < slowEncoderMs)) {
            QElapsedTimer clock;
            clock.start();
            png = encoder.encode();
            times.push_back(clock.nsecsElapsed() / 1e6);
        }
        std::sort(times.begin(), times.end());
        std::printf("    %-44s %7.0f ms %6.2f MB  %s (%d runs)\n", encoder.name, times[times.size() / 2],
                    png.size() / 1e6, samePixels(picture, png) ? "pixel-exact" : "PIXELS DIFFER", int(times.size()));
    }
}

// Times what `save` starts until `finished` is set, and the longest gap between two turns of the
// event loop meanwhile (a timer asks for one every 5 ms).
struct SaveTiming
{
    double ms = 0;
    qint64 longestStallMs = 0;
};

SaveTiming timeSave(const std::function<void(bool *finished)> &save)
{
    SaveTiming timing;
    bool finished = false;
    QElapsedTimer sinceLastTurn;
    QTimer turns;
    QObject::connect(&turns, &QTimer::timeout, [&] { timing.longestStallMs = qMax(timing.longestStallMs, sinceLastTurn.restart()); });
    QElapsedTimer clock;
    clock.start();
    turns.start(5);
    sinceLastTurn.start();
    save(&finished);
    while (!finished && clock.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    timing.ms = clock.nsecsElapsed() / 1e6;
    // The last stretch counts too: a save that held the loop to its end ends without a turn.
    timing.longestStallMs = qMax(timing.longestStallMs, sinceLastTurn.elapsed());
    return timing;
}

// The save as the program made it before: flattened, encoded by Qt's writer at its default and
// written, all on the GUI thread.
void saveAsBefore(const QPixmap &capture, const QString &fileName)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "PNG").write(flattenOnWhite(capture));
    QSaveFile file(fileName);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size())
        file.commit();
}

int compareSaves(const QImage &picture, int runs)
{
    QWidget window;
    window.setWindowTitle(QStringLiteral("png-probe"));
    window.resize(400, 300);
    window.show();
    const QPixmap capture = QPixmap::fromImage(picture);
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("capture.png"));
    std::vector<double> times;
    std::vector<double> stalls;
    for (int run = 0; run < runs; ++run) {
        const SaveTiming now = timeSave([&](bool *finished) {
            savePictureInBackground(&window, flattenOnWhite(capture), fileName, [finished] { *finished = true; });
        });
        times.push_back(now.ms);
        stalls.push_back(double(now.longestStallMs));
    }
    if (QImage(fileName).convertToFormat(QImage::Format_RGB32) != picture) {
        std::fputs("png-probe: the saved file does not hold the capture\n", stderr);
        return 1;
    }
    const SaveTiming before = timeSave([&](bool *finished) {
        saveAsBefore(capture, fileName);
        *finished = true;
    });
    std::sort(times.begin(), times.end());
    std::sort(stalls.begin(), stalls.end());
    std::printf("    %-44s %7.0f ms to the file, the window stood still %lld ms\n",
                "before: Qt's writer on the GUI thread", before.ms, before.longestStallMs);
    std::printf("    %-44s %7.0f ms to the file, the window stood still at most %.0f ms (median of %d; worst %.0f ms)\n",
                "now: ours on a worker thread", times[times.size() / 2], stalls[stalls.size() / 2], runs, stalls.back());
    std::printf("  save: file within 500 ms: %s; window never still for more than 50 ms: %s\n",
                times[times.size() / 2] <= 500 ? "met" : "NOT MET", stalls.back() <= 50 ? "met" : "NOT MET");
    return 0;
}

QImage pictureFrom(const QString &source)
{
    const QRegularExpressionMatch size = QRegularExpression(QStringLiteral("^(\\d+)x(\\d+)$")).match(source);
    if (size.hasMatch())
        return desktopOfWindows(QSize(size.captured(1).toInt(), size.captured(2).toInt()));
    return QImage(source).convertToFormat(QImage::Format_RGB32);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const QString mode = arguments.value(1);
    if (arguments.size() < 3 || (mode != QLatin1String("encoders") && mode != QLatin1String("save"))) {
        std::fputs("usage: png-probe encoders|save PICTURE|WxH [RUNS]\n", stderr);
        return 2;
    }
    const QImage picture = pictureFrom(arguments.at(2));
    const int runs = qMax(1, arguments.value(3, QStringLiteral("5")).toInt());
    if (picture.isNull()) {
        std::fprintf(stderr, "png-probe: cannot read %s\n", qPrintable(arguments.at(2)));
        return 1;
    }
    if (mode == QLatin1String("save"))
        return compareSaves(picture, runs);
    compareEncoders(picture, runs);
    return 0;
}
