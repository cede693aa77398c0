// How much the drawing board costs: CPU and wake-ups while it sits idle with strokes on it, and the
// paint times as the number of stroke points grows:
//   - a new point: the paint that shows one more pointer move, which is what drawing feels like;
//   - a whole repaint: what an exposed or resized window, a moved or turned picture costs;
//   - a new pen: the one paint that draws every stroke again in the new colour;
//   - saving: rendering the canvas for a file;
// and, opening an 8000x8000 picture, how long it takes and the longest the event loop stood still.
// Paints are timed inside the board's paint handler after a warm-up paint, so that drawing the
// points added before the measurement does not count as the cost of any one paint.
//   board-paint            run everything and print one line per measurement
#include "board/DrawBoard.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

constexpr int pointsPerStroke = 100;
constexpr int idleSeconds = 5;

// A board that times its own paints.
class TimedBoard : public DrawBoard
{
public:
    QVector<double> paintMs;
    QRect lastPainted;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QElapsedTimer clock;
        clock.start();
        DrawBoard::paintEvent(event);
        paintMs << clock.nsecsElapsed() / 1e6;
        lastPainted = event->region().boundingRect();
    }
};

// Runs the event loop for a while, as the user's idle time would.
void runEventLoopFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop until the board has painted `count` more times (or a second has passed).
void waitForPaints(TimedBoard &board, int count)
{
    const int wanted = board.paintMs.size() + count;
    QElapsedTimer clock;
    clock.start();
    while (board.paintMs.size() < wanted && clock.elapsed() < 1000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

void sendMouse(DrawBoard &board, QEvent::Type type, QPoint position)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, position, board.mapToGlobal(position), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(&board, &event);
}

// Draws `count` points as the user would, in strokes of a hundred points wandering over the board.
void drawPoints(DrawBoard &board, int count)
{
    QRandomGenerator random(42);
    QPoint position(200, 150);
    const QSize area = board.size();
    for (int drawn = 0; drawn < count;) {
        const int inStroke = qMin(pointsPerStroke, count - drawn);
        sendMouse(board, QEvent::MouseButtonPress, position);
        for (int i = 1; i < inStroke - 1; ++i) {
            position += QPoint(random.bounded(-8, 9), random.bounded(-8, 9));
            position.setX(qBound(40, position.x(), area.width() - 10));
            position.setY(qBound(40, position.y(), area.height() - 10));
            sendMouse(board, QEvent::MouseMove, position);
        }
        sendMouse(board, QEvent::MouseButtonRelease, position);
        drawn += qMax(inStroke, 2);
    }
}

double processCpuSeconds()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return 0.0;
    const QByteArray line = stat.readAll();
    // Fields after the command name (which may hold spaces) start behind the last ')'.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    const double ticks = fields.value(11).toDouble() + fields.value(12).toDouble(); // utime, stime
    return ticks / double(sysconf(_SC_CLK_TCK));
}

// Context switches of every thread of the process so far: each is a wake-up from a wait.
long long processContextSwitches()
{
    long long switches = 0;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile status(tasks.filePath(task + QStringLiteral("/status")));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("voluntary_ctxt_switches:") || line.startsWith("nonvoluntary_ctxt_switches:"))
                switches += line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
        }
    }
    return switches;
}

double median(QVector<double> values)
{
    if (values.isEmpty())
        return 0.0;
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

// A shown board of the given size holding `points` stroke points, all of them painted once.
std::unique_ptr<TimedBoard> shownBoard(int points, QSize size)
{
    auto board = std::make_unique<TimedBoard>();
    board->setWindowTitle(QStringLiteral("TAVO截图"));
    board->resize(size);
    board->showNormal();
    runEventLoopFor(300);
    drawPoints(*board, points);
    board->repaint();
    runEventLoopFor(200);
    return board;
}

void measureIdle(int points)
{
    auto board = shownBoard(points, QSize(400, 300));
    runEventLoopFor(500);
    const int paintsBefore = board->paintMs.size();
    const double before = processCpuSeconds();
    const long long switchesBefore = processContextSwitches();
    QElapsedTimer wall;
    wall.start();
    runEventLoopFor(idleSeconds * 1000);
    const double cpu = processCpuSeconds() - before;
    // The loop's own end-of-wait timer accounts for one or two.
    const long long switches = processContextSwitches() - switchesBefore;
    std::printf("idle   points=%-7d cpu=%.2fs over %.1fs = %.1f%% of a core, %d paints, %lld context switches"
                " (target: none but the measurement's own timer)\n",
                points, cpu, wall.elapsed() / 1000.0, 100.0 * cpu / (wall.elapsed() / 1000.0),
                board->paintMs.size() - paintsBefore, switches);
}

// The paint that follows each of `moves` pointer moves, as it comes through the board's own
// repaint pacing.
QVector<double> newPointPaints(TimedBoard &board, int moves)
{
    QVector<double> times;
    QPoint position(200, 150);
    sendMouse(board, QEvent::MouseButtonPress, position);
    for (int i = 0; i < moves; ++i) {
        position += QPoint(i % 2 ? 3 : -2, 2);
        sendMouse(board, QEvent::MouseMove, position);
        const int before = board.paintMs.size();
        waitForPaints(board, 1);
        if (board.paintMs.size() > before)
            times << board.paintMs.last();
    }
    sendMouse(board, QEvent::MouseButtonRelease, position);
    return times;
}

void measurePaint(int points, QSize size, int repetitions)
{
    auto board = shownBoard(points, size);

    const QVector<double> newPoint = newPointPaints(*board, repetitions);
    const QRect segmentArea = board->lastPainted;

    board->paintMs.clear();
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < repetitions; ++i)
        board->repaint();
    const double flushedMs = clock.nsecsElapsed() / 1e6 / repetitions;
    const double wholeMs = median(board->paintMs);

    QHash<QString, int> red{{QStringLiteral("width"), 2}, {QStringLiteral("r"), 255},
                            {QStringLiteral("g"), 0}, {QStringLiteral("b"), 0}};
    board->handlePainterArgs(&red);
    board->paintMs.clear();
    board->repaint();
    const double newPenMs = board->paintMs.value(0);

    clock.restart();
    for (int i = 0; i < repetitions; ++i)
        board->renderCanvas();
    const double saveMs = clock.nsecsElapsed() / 1e6 / repetitions;

    std::printf("paint  points=%-7d board=%dx%d  new point=%.2f ms (area %dx%d, %d paints)  whole=%.2f ms "
                "(%.2f ms flushed)  new pen=%.1f ms  save render=%.1f ms\n",
                points, size.width(), size.height(), median(newPoint), segmentArea.width(),
                segmentArea.height(), int(newPoint.size()), wholeMs, flushedMs, newPenMs, saveMs);
}

void measureOpen(const QSize &size)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("large.jpg"));
    QImage picture(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(picture.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            line[x] = qRgb(x % 256, y % 256, (x ^ y) % 256);
    }
    picture.save(path);
    picture = QImage();

    auto board = shownBoard(0, QSize(400, 300));
    bool finished = false;
    QObject::connect(board.get(), &DrawBoard::pictureLoadFinished, [&finished] { finished = true; });
    qint64 longestStall = 0;
    QElapsedTimer sinceLastTurn;
    QTimer turns;
    QObject::connect(&turns, &QTimer::timeout, [&] { longestStall = qMax(longestStall, sinceLastTurn.restart()); });
    QElapsedTimer clock;
    clock.start();
    turns.start(5);
    sinceLastTurn.start();
    board->openPicture(path);
    while (!finished && clock.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    std::printf("open   %dx%d jpeg: on the board after %lld ms, event loop stood still at most %lld ms\n",
                size.width(), size.height(), clock.elapsed(), longestStall);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    measureIdle(0);
    measureIdle(2000);
    measureIdle(100000);
    measurePaint(0, QSize(400, 300), 50);
    measurePaint(2000, QSize(400, 300), 50);
    measurePaint(10000, QSize(400, 300), 20);
    measurePaint(100000, QSize(400, 300), 20);
    measurePaint(100000, QSize(1900, 1000), 20);
    measureOpen(QSize(8000, 8000));
    std::fflush(stdout);
    return 0;
}
