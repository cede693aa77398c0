// The joining part of one long-screenshot step (row hashes, the match, the join) for a 1000 x 800
// region scrolled 120 rows a step down a page of varied rows, and the memory the picture holds.
// The grab itself is the desktop grabber's, measured by capture-latency.sh.
#include "longshot/LongPicture.h"

#include <QElapsedTimer>
#include <QImage>

#include <algorithm>
#include <cstdio>
#include <vector>

int main()
{
    constexpr int width = 1000;
    constexpr int height = 800;
    constexpr int step = 120;
    QImage page(width, 20000, QImage::Format_RGB32);
    quint32 seed = 12345;
    for (int y = 0; y < page.height(); ++y) {
        auto *row = reinterpret_cast<quint32 *>(page.scanLine(y));
        // Text-like rows: mostly white, a run of dark pixels whose place changes from row to row.
        seed = seed * 1664525u + 1013904223u;
        std::fill(row, row + width, 0xffffffffu);
        std::fill(row + (seed >> 22) % 800, row + (seed >> 22) % 800 + 150, 0xff202020u);
    }
    LongPicture picture(page.copy(0, 0, width, height));
    std::vector<qint64> times;
    for (int top = step; top + height <= page.height(); top += step) {
        const QImage grab = page.copy(0, top, width, height);
        QElapsedTimer clock;
        clock.start();
        const RowMatch match = picture.add(grab);
        times.push_back(clock.nsecsElapsed());
        if (match.kind != RowMatch::Kind::Moved || match.shift != step) {
            std::fprintf(stderr, "step at %d joined wrongly\n", top);
            return 1;
        }
    }
    std::sort(times.begin(), times.end());
    qint64 stripBytes = 0;
    for (const QImage &strip : picture.strips())
        stripBytes += strip.sizeInBytes();
    std::printf("steps %zu  median %.2f ms  max %.2f ms  picture %d x %d  held %.1f MB (picture alone %.1f MB)\n",
                times.size(), times[times.size() / 2] / 1e6, times.back() / 1e6, picture.width(), picture.height(),
                stripBytes / 1048576.0, width * qint64(picture.height()) * 4 / 1048576.0);
    return 0;
}
