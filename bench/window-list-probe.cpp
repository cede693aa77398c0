// The window list from a program's point of view, and a crowd of windows for it to list.
//   window-list-probe --crowd N   map N small top-level windows (a process of their own) and wait
//   window-list-probe RUNS        take the window list RUNS times; print for each the time in ms,
//                                 the number of windows listed and this process's CPU time in ms
#include "platform/WindowList.h"

#include <QElapsedTimer>
#include <QGuiApplication>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <time.h>

#include <unistd.h>

namespace {

double cpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

int crowd(int count)
{
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return 1;
    for (int i = 0; i < count; ++i) {
        // Scattered over the screen, overlapping as windows on a busy desktop do.
        const int x = (i * 37) % 1600;
        const int y = (i * 53) % 800;
        const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), x, y, 160 + i % 80,
                                                  120 + i % 60, 0, 0, 0xffffff);
        const std::string title = "crowd-" + std::to_string(i);
        XStoreName(display, window, title.c_str());
        XSizeHints hints{};
        hints.flags = USPosition | USSize;
        hints.x = x;
        hints.y = y;
        XSetWMNormalHints(display, window, &hints);
        XMapWindow(display, window);
    }
    XSync(display, False);
    // Until killed: the windows go with the connection.
    for (;;)
        pause();
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && std::string(argv[1]) == "--crowd")
        return crowd(std::atoi(argv[2]));
    QGuiApplication app(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 10;
    const std::unique_ptr<WindowList> list = WindowList::forThisSession();
    if (!list) {
        std::fprintf(stderr, "window-list-probe: no window list on this desktop\n");
        return 1;
    }
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        const double cpuBefore = cpuMs();
        clock.start();
        const QVector<WindowFrame> frames = list->windows();
        const double ms = clock.nsecsElapsed() / 1e6;
        std::printf("%.2f %d %.2f\n", ms, int(frames.size()), cpuMs() - cpuBefore);
    }
    return 0;
}
