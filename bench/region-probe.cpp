// Times the region overlay from the outside, at X protocol resolution: presses a button through
// XTEST and waits until the overlay's red corner mark is on the screen, or waits for it to go.
//   region-probe X Y   click at (X, Y), print the milliseconds until the mark shows
//   region-probe --gone   print the milliseconds until the mark is no longer shown
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {
constexpr int markX = 5;
constexpr int markY = 5;
constexpr unsigned long red = 0xff0000;
constexpr double timeoutMs = 10000.0;

bool markShown(Display *display)
{
    XImage *pixel = XGetImage(display, DefaultRootWindow(display), markX, markY, 1, 1, AllPlanes, ZPixmap);
    if (!pixel)
        return false;
    const bool shown = (XGetPixel(pixel, 0, 0) & 0xffffff) == red;
    XDestroyImage(pixel);
    return shown;
}

void click(Display *display, int x, int y)
{
    XTestFakeMotionEvent(display, -1, x, y, CurrentTime);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XFlush(display);
}
} // namespace

int main(int argc, char **argv)
{
    const bool waitForGone = argc == 2 && std::strcmp(argv[1], "--gone") == 0;
    if (!waitForGone && argc != 3) {
        std::fprintf(stderr, "usage: %s X Y | --gone\n", argv[0]);
        return 2;
    }
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return 2;
    const auto start = std::chrono::steady_clock::now();
    if (!waitForGone)
        click(display, std::atoi(argv[1]), std::atoi(argv[2]));
    for (;;) {
        const double elapsed = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        if (markShown(display) != waitForGone) {
            std::printf("%.1f\n", elapsed);
            break;
        }
        if (elapsed > timeoutMs) {
            std::printf("timeout\n");
            XCloseDisplay(display);
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    XCloseDisplay(display);
    return 0;
}
