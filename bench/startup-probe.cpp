// Times a tray program's start and exit from the outside, at X protocol resolution, on a desktop
// with a window manager (for _NET_CLIENT_LIST) and trayer (the tray host).
//   startup-probe panel PROGRAM [ARG...]   start PROGRAM, time until its panel (a utility window)
//                                          is on screen, painted; exit it through its tray menu
//   startup-probe tray CLASS PROGRAM [ARG...]   start PROGRAM, time until a tray icon of CLASS is
//                                          embedded; end it with SIGTERM
// Prints one line: "start_ms tray_ms rss_kb exit_ms". RSS is read 1 s after the start. With
// TAVO_PROBE_CAPTURE set, "PROGRAM --full" takes a capture 2 s before the exit.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto timeout = std::chrono::seconds(20);
// The panel's background colour (no compositor: the window's opacity is not applied).
constexpr unsigned long panelBackground = 0xeeeedb;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::vector<unsigned long> cardinals(Display *display, Window window, const char *name, Atom type)
{
    Atom actualType;
    int format;
    unsigned long count = 0, after;
    unsigned char *data = nullptr;
    std::vector<unsigned long> values;
    if (XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 1024, False, type,
                           &actualType, &format, &count, &after, &data) == Success && data && format == 32) {
        auto *items = reinterpret_cast<unsigned long *>(data);
        values.assign(items, items + count);
    }
    if (data)
        XFree(data);
    return values;
}

bool ownedBy(Display *display, Window window, pid_t pid)
{
    const auto pids = cardinals(display, window, "_NET_WM_PID", XA_CARDINAL);
    return !pids.empty() && pid_t(pids.front()) == pid;
}

bool hasType(Display *display, Window window, const char *type)
{
    const Atom wanted = XInternAtom(display, type, False);
    for (unsigned long atom : cardinals(display, window, "_NET_WM_WINDOW_TYPE", XA_ATOM))
        if (atom == wanted)
            return true;
    return false;
}

bool viewable(Display *display, Window window)
{
    XWindowAttributes attributes;
    return XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable;
}

unsigned long screenPixel(Display *display, Window window, int x, int y)
{
    Window child;
    int rootX = 0, rootY = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), x, y, &rootX, &rootY, &child);
    XImage *image = XGetImage(display, DefaultRootWindow(display), rootX, rootY, 1, 1, AllPlanes, ZPixmap);
    if (!image)
        return 0;
    const unsigned long pixel = XGetPixel(image, 0, 0) & 0xffffff;
    XDestroyImage(image);
    return pixel;
}

bool panelPainted(Display *display, pid_t pid)
{
    for (unsigned long window : cardinals(display, DefaultRootWindow(display), "_NET_CLIENT_LIST", XA_WINDOW))
        if (ownedBy(display, window, pid) && hasType(display, window, "_NET_WM_WINDOW_TYPE_UTILITY")
            && viewable(display, window) && screenPixel(display, window, 2, 2) == panelBackground)
            return true;
    return false;
}

std::vector<Window> children(Display *display, Window window)
{
    Window root, parent, *list = nullptr;
    unsigned int count = 0;
    std::vector<Window> result;
    if (XQueryTree(display, window, &root, &parent, &list, &count) && list) {
        result.assign(list, list + count);
        XFree(list);
    }
    return result;
}

bool hasClass(Display *display, Window window, const char *className)
{
    XClassHint hint{};
    if (!XGetClassHint(display, window, &hint))
        return false;
    const bool match = (hint.res_name && std::strcmp(hint.res_name, className) == 0)
                       || (hint.res_class && strcasecmp(hint.res_class, className) == 0);
    XFree(hint.res_name);
    XFree(hint.res_class);
    return match;
}

// The first descendant of `window` of the class, depth first.
Window findOfClass(Display *display, Window window, const char *className)
{
    for (Window child : children(display, window)) {
        if (hasClass(display, child, className))
            return child;
        if (Window found = findOfClass(display, child, className))
            return found;
    }
    return 0;
}

// A tray icon of the class, embedded somewhere below trayer's window.
Window trayIcon(Display *display, const char *className)
{
    for (Window top : children(display, DefaultRootWindow(display))) {
        Window tray = hasClass(display, top, "trayer") ? top : findOfClass(display, top, "trayer");
        if (!tray)
            continue;
        if (Window icon = findOfClass(display, tray, className))
            if (viewable(display, icon))
                return icon;
    }
    return 0;
}

bool popupMenuShown(Display *display, pid_t pid)
{
    for (Window window : children(display, DefaultRootWindow(display)))
        if (ownedBy(display, window, pid) && hasType(display, window, "_NET_WM_WINDOW_TYPE_POPUP_MENU")
            && viewable(display, window))
            return true;
    return false;
}

template<typename Condition>
bool waitFor(Condition condition)
{
    const auto deadline = Clock::now() + timeout;
    while (!condition()) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    return true;
}

void tap(Display *display, KeySym key)
{
    const KeyCode code = XKeysymToKeycode(display, key);
    XTestFakeKeyEvent(display, code, True, CurrentTime);
    XTestFakeKeyEvent(display, code, False, CurrentTime);
}

void rightClick(Display *display, Window window)
{
    Window child;
    int x = 0, y = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 4, 4, &x, &y, &child);
    XTestFakeMotionEvent(display, -1, x, y, CurrentTime);
    XTestFakeButtonEvent(display, 3, True, CurrentTime);
    XTestFakeButtonEvent(display, 3, False, CurrentTime);
    XSync(display, False);
}

long rssKb(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

pid_t launch(char **argv)
{
    const pid_t pid = fork();
    if (pid == 0) {
        execvp(argv[0], argv);
        _exit(127);
    }
    return pid;
}

bool exited(pid_t pid)
{
    int status = 0;
    return waitpid(pid, &status, WNOHANG) == pid;
}

int fail(const char *what, pid_t pid)
{
    std::fprintf(stderr, "startup-probe: %s\n", what);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    const bool panel = argc >= 3 && std::strcmp(argv[1], "panel") == 0;
    const bool trayOnly = argc >= 4 && std::strcmp(argv[1], "tray") == 0;
    if (!panel && !trayOnly) {
        std::fprintf(stderr, "usage: %s panel PROGRAM [ARG...] | tray CLASS PROGRAM [ARG...]\n", argv[0]);
        return 2;
    }
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return 2;
    const char *className = panel ? "tavo-screenshot" : argv[2];

    const Clock::time_point start = Clock::now();
    const pid_t pid = launch(argv + (panel ? 2 : 3));
    double startMs = -1;
    if (panel) {
        if (!waitFor([&] { return panelPainted(display, pid); }))
            return fail("the panel did not show", pid);
        startMs = msSince(start);
    }
    Window icon = 0;
    if (!waitFor([&] { return (icon = trayIcon(display, className)) != 0; }))
        return fail("no tray icon", pid);
    const double trayMs = msSince(start);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const long rss = rssKb(pid);
    if (panel && std::getenv("TAVO_PROBE_CAPTURE")) {
        char full[] = "--full";
        char *capture[] = {argv[2], full, nullptr};
        waitpid(launch(capture), nullptr, 0);
        std::this_thread::sleep_for(std::chrono::seconds(2));
    }

    Clock::time_point asked;
    if (panel) {
        rightClick(display, icon);
        if (!waitFor([&] { return popupMenuShown(display, pid); }))
            return fail("the tray menu did not open", pid);
        // Shown is not yet grabbing the keyboard.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        for (int i = 0; i < 3; ++i) // the exit entry
            tap(display, XK_Down);
        asked = Clock::now();
        tap(display, XK_Return);
        XSync(display, False);
    } else {
        asked = Clock::now();
        kill(pid, SIGTERM);
    }
    if (!waitFor([&] { return exited(pid); }))
        return fail("the program did not exit", pid);
    const double exitMs = msSince(asked);
    std::printf("%.1f %.1f %ld %.1f\n", startMs, trayMs, rss, exitMs);
    XCloseDisplay(display);
    return 0;
}
