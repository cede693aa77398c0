// The PNG encoders side by side on one picture, for bench/capture-latency.sh: Qt's writer as the
// program used it before (quality 80 on the clipboard, its default for files) and ours at the
// clipboard's and the files' level, each with its median time, its size and whether Qt's reader
// gives the same pixels back.
//   png-probe encoders PICTURE [RUNS]   the picture in a file (the benchmark's wallpaper)
//   png-probe encoders WxH [RUNS]       a made-up desktop of that size: windows of text and icons
#include "common/PngEncoder.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>
#include <QRegularExpression>

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
        {"ours, clipboard level", [&] { return encodePng(picture, clipboardPngLevel); }},
        {"ours, file level", [&] { return encodePng(picture, filePngLevel); }},
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

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 3 || arguments.at(1) != QLatin1String("encoders")) {
        std::fputs("usage: png-probe encoders PICTURE|WxH [RUNS]\n", stderr);
        return 2;
    }
    const QString source = arguments.at(2);
    const int runs = qMax(1, arguments.value(3, QStringLiteral("5")).toInt());
    const QRegularExpressionMatch size = QRegularExpression(QStringLiteral("^(\\d+)x(\\d+)$")).match(source);
    const QImage picture = size.hasMatch() ? desktopOfWindows(QSize(size.captured(1).toInt(), size.captured(2).toInt()))
                                           : QImage(source).convertToFormat(QImage::Format_RGB32);
    if (picture.isNull()) {
        std::fprintf(stderr, "png-probe: cannot read %s\n", qPrintable(source));
        return 1;
    }
    compareEncoders(picture, runs);
    return 0;
}
