// How much the drawing board costs: CPU while it sits idle with strokes on it (it repaints
// continuously), and the time of one full paint as the number of stroke points grows.
//   board-paint            run everything and print one line per measurement
#include "board/DrawBoard.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QMouseEvent>
#include <QRandomGenerator>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

constexpr int pointsPerStroke = 100;
constexpr int idleSeconds = 5;

// Runs the event loop for a while, as the user's idle time would.
void runEventLoopFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
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
    for (int drawn = 0; drawn < count;) {
        const int inStroke = qMin(pointsPerStroke, count - drawn);
        sendMouse(board, QEvent::MouseButtonPress, position);
        for (int i = 1; i < inStroke - 1; ++i) {
            position += QPoint(random.bounded(-8, 9), random.bounded(-8, 9));
            position.setX(qBound(40, position.x(), 390));
            position.setY(qBound(40, position.y(), 290));
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

std::unique_ptr<DrawBoard> shownBoard(int points)
{
    auto board = std::make_unique<DrawBoard>();
    board->setWindowTitle(QStringLiteral("TAVO截图"));
    board->showNormal();
    runEventLoopFor(300);
    drawPoints(*board, points);
    return board;
}

void measureIdle(int points)
{
    auto board = shownBoard(points);
    runEventLoopFor(500);
    const double before = processCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    runEventLoopFor(idleSeconds * 1000);
    const double cpu = processCpuSeconds() - before;
    std::printf("idle  points=%-7d cpu=%.2fs over %.1fs = %.1f%% of a core\n", points, cpu,
                wall.elapsed() / 1000.0, 100.0 * cpu / (wall.elapsed() / 1000.0));
}

void measurePaint(int points, int repetitions)
{
    auto board = shownBoard(points);
    runEventLoopFor(200);
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < repetitions; ++i)
        board->repaint();
    const double windowMs = clock.nsecsElapsed() / 1e6 / repetitions;

    clock.restart();
    for (int i = 0; i < repetitions; ++i)
        board->renderCanvas();
    const double canvasMs = clock.nsecsElapsed() / 1e6 / repetitions;
    std::printf("paint points=%-7d window repaint=%.2f ms  canvas render=%.2f ms  (%d runs)\n", points,
                windowMs, canvasMs, repetitions);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    measureIdle(0);
    measureIdle(2000);
    measurePaint(0, 50);
    measurePaint(2000, 50);
    measurePaint(10000, 20);
    measurePaint(100000, 5);
    std::fflush(stdout);
    return 0;
}
