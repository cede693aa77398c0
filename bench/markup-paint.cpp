// What the mark-up costs on a 3840x2160 picture holding 300 items, 50 of them mosaic or blur:
//   - making the document: every item added, each mosaic and blur computed once;
//   - the viewport's cache built once, and brought up to date after one more item;
//   - one pointer move while drawing: the tool's update and the paint of the area it reports,
//     from the cache with the item under way on top, into a 4K picture standing in for the window
//     (a small rectangle, one growing to nearly the whole screen, a pen stroke, a mosaic);
//   - the whole 4K picture marked up, as it goes to the clipboard: painted again by
//     renderMarkedUp, and copied from the cache by MarkupLayer::markedUp.
// Prints one line per measurement: median and worst of the wall time and of the thread's CPU time
// (which other processes on a busy machine disturb less), beside the target.
//   markup-paint            (needs no display: run with QT_QPA_PLATFORM=offscreen)
#include "markup/MarkupDocument.h"
#include "markup/MarkupLayer.h"
#include "markup/MarkupPainting.h"
#include "markup/MarkupTool.h"
#include "markup/MarkupToolTable.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

const QSize screen(3840, 2160);
constexpr int itemCount = 300;
constexpr int obscuringCount = 50;
constexpr double moveTargetMs = 8;

// A desktop-like picture: flat panels with lines of "text" and some noise.
QImage desktop()
{
    QImage picture(screen, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < screen.height(); ++y) {
        QRgb *row = reinterpret_cast<QRgb *>(picture.scanLine(y));
        for (int x = 0; x < screen.width(); ++x) {
            const bool ink = (y % 24) < 14 && ((x / 7 + y / 24) % 5) != 0 && (random.generate() & 3) == 0;
            row[x] = ink ? qRgb(30, 30, 40) : qRgb(236 - (x / 480) * 6, 238, 242 - (y / 540) * 8);
        }
    }
    return picture;
}

MarkupItem randomItem(QRandomGenerator &random, int index)
{
    static const MarkupKind drawn[] = {MarkupKind::Rectangle, MarkupKind::Ellipse, MarkupKind::Line,
                                       MarkupKind::Arrow, MarkupKind::Pen, MarkupKind::Marker,
                                       MarkupKind::Text, MarkupKind::Number};
    MarkupItem item;
    item.kind = index < obscuringCount ? (index % 2 ? MarkupKind::Blur : MarkupKind::Mosaic)
                                       : drawn[random.bounded(8)];
    item.style = markup::defaultStyleFor(item.kind);
    const QPointF at(random.bounded(screen.width() - 700), random.bounded(screen.height() - 700));
    const QPointF extent(100 + random.bounded(500), 60 + random.bounded(400));
    item.points = {at, at + extent};
    if (item.kind == MarkupKind::Pen || item.kind == MarkupKind::Marker) {
        item.points = {at};
        for (int i = 1; i < 60; ++i)
            item.points << item.points.last() + QPointF(random.bounded(12), random.bounded(17) - 8);
    } else if (item.kind == MarkupKind::Text) {
        item.points = {at};
        item.text = QStringLiteral("截图 note %1\nsecond line").arg(index);
    } else if (item.kind == MarkupKind::Number) {
        item.points = {at};
        item.number = index;
    }
    return item;
}

double cpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// Wall and CPU time of one measurement.
class Stopwatch
{
public:
    Stopwatch() { restart(); }
    void restart()
    {
        wall.start();
        cpuStart = cpuMs();
    }
    void record(QVector<double> &wallMs, QVector<double> &cpuTakenMs) const
    {
        wallMs << wall.nsecsElapsed() / 1e6;
        cpuTakenMs << cpuMs() - cpuStart;
    }

private:
    QElapsedTimer wall;
    double cpuStart = 0;
};

struct Figures {
    double median = 0;
    double worst = 0;
    double cpuMedian = 0;
    double cpuWorst = 0;
};

Figures figures(QVector<double> ms, QVector<double> cpu)
{
    std::sort(ms.begin(), ms.end());
    std::sort(cpu.begin(), cpu.end());
    return {ms[ms.size() / 2], ms.last(), cpu[cpu.size() / 2], cpu.last()};
}

// Drags `kind` along `path` and times the paint each move asks for.
Figures timeDrag(MarkupDocument &document, const MarkupLayer &layer, QImage &window, MarkupKind kind,
                 const QVector<QPointF> &path)
{
    auto tool = markup::createTool(kind, document);
    QRegion asked;
    QObject::connect(tool.get(), &MarkupTool::drawingChanged, [&asked](const QRect &area) { asked += area; });
    QVector<double> ms, cpu;
    tool->press(path.first(), Qt::NoModifier);
    for (int i = 1; i < path.size(); ++i) {
        asked = QRegion();
        // The tool's own work counts too: a mosaic or blur under way is computed on each move.
        Stopwatch clock;
        tool->move(path[i], Qt::NoModifier);
        QPainter painter(&window);
        layer.paint(painter, asked, tool->drawing());
        painter.end();
        clock.record(ms, cpu);
    }
    tool->finish();
    return figures(ms, cpu);
}

QVector<QPointF> straightPath(const QPointF &from, const QPointF &to, int steps)
{
    QVector<QPointF> path;
    for (int i = 0; i <= steps; ++i)
        path << from + (to - from) * i / steps;
    return path;
}

void report(const char *what, const Figures &f, const char *target)
{
    std::printf("%-52s median %7.2f ms, worst %7.2f (CPU %6.2f, %6.2f)   target %s\n", what, f.median,
                f.worst, f.cpuMedian, f.cpuWorst, target);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QImage frozen = desktop();
    MarkupDocument document(frozen);
    QRandomGenerator random(42);

    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < itemCount; ++i)
        document.add(randomItem(random, i));
    std::printf("%d items (%d mosaic or blur) added, each mosaic and blur computed once: %.0f ms\n",
                int(document.items().size()), obscuringCount, clock.nsecsElapsed() / 1e6);

    clock.restart();
    MarkupLayer layer(document, frozen.rect());
    std::printf("cache of the whole 4K picture built once: %.0f ms\n", clock.nsecsElapsed() / 1e6);

    QImage window(screen, QImage::Format_ARGB32_Premultiplied);
    window.fill(Qt::black);
    report("pointer move, small rectangle (to 400x300)",
           timeDrag(document, layer, window, MarkupKind::Rectangle, straightPath({1000, 800}, {1400, 1100}, 100)),
           "8 ms");
    report("pointer move, rectangle growing to 3800x2100",
           timeDrag(document, layer, window, MarkupKind::Rectangle, straightPath({20, 20}, {3820, 2120}, 100)),
           "8 ms");
    report("pointer move, pen stroke across the screen",
           timeDrag(document, layer, window, MarkupKind::Pen, straightPath({100, 1000}, {3700, 1200}, 400)), "8 ms");
    report("pointer move, mosaic growing to 800x600",
           timeDrag(document, layer, window, MarkupKind::Mosaic, straightPath({500, 500}, {1300, 1100}, 100)),
           "8 ms");
    report("pointer move, blur growing to 800x600",
           timeDrag(document, layer, window, MarkupKind::Blur, straightPath({1500, 500}, {2300, 1100}, 100)),
           "8 ms");

    QVector<double> addMs, addCpu;
    for (int i = 0; i < 10; ++i) {
        // Shapes only: a mosaic's or blur's own computation is timed with the document above.
        MarkupItem item = randomItem(random, obscuringCount + i);
        Stopwatch watch;
        document.add(item); // the cache follows through `changed`
        watch.record(addMs, addCpu);
        document.undo();
    }
    report("release: one more item added and the cache updated", figures(addMs, addCpu), "(once per item)");

    QVector<double> renderMs, renderCpu;
    for (int i = 0; i < 5; ++i) {
        Stopwatch watch;
        const QImage marked = markup::renderMarkedUp(frozen, document, frozen.rect());
        watch.record(renderMs, renderCpu);
        if (marked.size() != screen)
            return 1;
    }
    report("renderMarkedUp of the 4K region", figures(renderMs, renderCpu), "part of 150 ms to the clipboard");
    Stopwatch copying;
    QVector<double> copyMs, copyCpu;
    for (int i = 0; i < 5; ++i) {
        copying.restart();
        const QImage copy = frozen.copy();
        copying.record(copyMs, copyCpu);
    }
    report("  beside it, a bare copy of the 4K picture", figures(copyMs, copyCpu), "(the floor)");
    QVector<double> cachedMs, cachedCpu;
    for (int i = 0; i < 5; ++i) {
        Stopwatch watch;
        const QImage marked = layer.markedUp(frozen.rect());
        watch.record(cachedMs, cachedCpu);
    }
    report("the 4K region marked up, from the cache (markedUp)", figures(cachedMs, cachedCpu),
           "part of 150 ms to the clipboard");
    return 0;
}
