// Times captures to the clipboard from outside the program under test, at X protocol resolution,
// as another client sees them: the moment the CLIPBOARD selection gets a new owner (XFixes) and
// the moment a paste of image/png has arrived in full (with the INCR protocol for large data).
//   clipboard-latency key COUNT PAUSE_MS    press Ctrl+Alt+X through XTEST (released at once, as a
//                                           hand does), COUNT times, PAUSE_MS apart
//   clipboard-latency command COUNT CMD     run the shell command CMD instead, COUNT times
//   clipboard-latency floor COUNT           time a bare MIT-SHM grab of the root, COUNT times
// key and command print "OWNER_MS PASTE_MS PNG_BYTES" per run, floor one time per line.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>
#include <X11/keysym.h>

#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto timeout = std::chrono::seconds(30);

double msBetween(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double, std::milli>(b - a).count();
}

// Waits for the next event that `wanted` accepts; false at the deadline.
bool waitForEvent(Display *display, XEvent &event, Clock::time_point deadline,
                  const std::function<bool(const XEvent &)> &wanted)
{
    for (;;) {
        while (XPending(display)) {
            XNextEvent(display, &event);
            if (wanted(event))
                return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return false;
        pollfd fd{ConnectionNumber(display), POLLIN, 0};
        poll(&fd, 1, int(left));
    }
}

struct Session
{
    Display *display = nullptr;
    Window window = 0;
    int fixesEvent = 0;
    Atom clipboard = 0, png = 0, incr = 0, property = 0;
};

// Reads the clipboard as image/png; returns the number of bytes, 0 when none came or they are no PNG.
size_t pastePng(Session &s, Clock::time_point deadline)
{
    XConvertSelection(s.display, s.clipboard, s.png, s.property, s.window, CurrentTime);
    XFlush(s.display);
    XEvent event;
    if (!waitForEvent(s.display, event, deadline, [](const XEvent &e) { return e.type == SelectionNotify; })
        || event.xselection.property == None)
        return 0;
    std::string bytes;
    auto takeProperty = [&](Atom *type) {
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char *data = nullptr;
        XGetWindowProperty(s.display, s.window, s.property, 0, LONG_MAX / 4, True, AnyPropertyType, type, &format,
                           &count, &after, &data);
        const size_t size = count * size_t(format / 8);
        if (data && *type != s.incr)
            bytes.append(reinterpret_cast<const char *>(data), size);
        XFree(data);
        return size;
    };
    Atom type = None;
    takeProperty(&type);
    if (type == s.incr) {
        // Deleting the property (done above) asks for the next piece; an empty one ends it.
        for (;;) {
            if (!waitForEvent(s.display, event, deadline, [&](const XEvent &e) {
                    return e.type == PropertyNotify && e.xproperty.atom == s.property
                           && e.xproperty.state == PropertyNewValue;
                }))
                return 0;
            if (takeProperty(&type) == 0)
                break;
        }
    }
    static const char magic[] = "\x89PNG\r\n\x1a\n";
    return bytes.compare(0, 8, magic, 8) == 0 ? bytes.size() : 0;
}

void pressCaptureKeys(Display *display)
{
    const KeySym keys[] = {XK_Control_L, XK_Alt_L, XK_x};
    for (KeySym key : keys)
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, key), True, CurrentTime);
}

void releaseCaptureKeys(Display *display)
{
    for (KeySym key : {KeySym(XK_x), KeySym(XK_Alt_L), KeySym(XK_Control_L)})
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, key), False, CurrentTime);
    XFlush(display);
}

// One capture: `trigger` starts it and returns its start time; then the owner change and the paste.
bool timeOne(Session &s, const std::function<Clock::time_point()> &trigger)
{
    XSync(s.display, False);
    XEvent event;
    while (XPending(s.display))
        XNextEvent(s.display, &event);  // notices of earlier owners
    const Clock::time_point start = trigger();
    const Clock::time_point deadline = start + timeout;
    if (!waitForEvent(s.display, event, deadline,
                      [&](const XEvent &e) { return e.type == s.fixesEvent + XFixesSelectionNotify; })) {
        std::fprintf(stderr, "no new clipboard owner within %lld s\n", (long long)timeout.count());
        return false;
    }
    const Clock::time_point owned = Clock::now();
    const size_t size = pastePng(s, deadline);
    const Clock::time_point pasted = Clock::now();
    if (size == 0) {
        std::fprintf(stderr, "the paste as image/png brought no PNG\n");
        return false;
    }
    std::printf("%.2f %.2f %zu\n", msBetween(start, owned), msBetween(start, pasted), size);
    std::fflush(stdout);
    return true;
}

int floor(Display *display, int count)
{
    const int screen = DefaultScreen(display);
    const Window root = RootWindow(display, screen);
    XShmSegmentInfo segment{};
    XImage *image = XShmCreateImage(display, DefaultVisual(display, screen), unsigned(DefaultDepth(display, screen)),
                                    ZPixmap, nullptr, &segment, unsigned(DisplayWidth(display, screen)),
                                    unsigned(DisplayHeight(display, screen)));
    if (!image)
        return 2;
    segment.shmid = shmget(IPC_PRIVATE, size_t(image->bytes_per_line) * size_t(image->height), IPC_CREAT | 0600);
    segment.shmaddr = image->data = static_cast<char *>(shmat(segment.shmid, nullptr, 0));
    segment.readOnly = False;
    XShmAttach(display, &segment);
    XSync(display, False);
    shmctl(segment.shmid, IPC_RMID, nullptr);
    for (int i = 0; i < count; ++i) {
        const Clock::time_point start = Clock::now();
        XShmGetImage(display, root, image, 0, 0, AllPlanes);
        std::printf("%.2f\n", msBetween(start, Clock::now()));
    }
    XShmDetach(display, &segment);
    shmdt(segment.shmaddr);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    const int count = argc > 2 ? std::atoi(argv[2]) : 0;
    Display *display = XOpenDisplay(nullptr);
    if (!display || count <= 0 || (mode != "key" && mode != "command" && mode != "floor") || (mode != "floor" && argc < 4)) {
        std::fprintf(stderr, "usage: %s key COUNT PAUSE_MS | command COUNT CMD | floor COUNT\n", argv[0]);
        return 2;
    }
    if (mode == "floor")
        return floor(display, count);

    Session s;
    s.display = display;
    int fixesError = 0;
    if (!XFixesQueryExtension(display, &s.fixesEvent, &fixesError))
        return 2;
    s.clipboard = XInternAtom(display, "CLIPBOARD", False);
    s.png = XInternAtom(display, "image/png", False);
    s.incr = XInternAtom(display, "INCR", False);
    s.property = XInternAtom(display, "CLIPBOARD_LATENCY", False);
    s.window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    XSelectInput(display, s.window, PropertyChangeMask);
    XFixesSelectSelectionInput(display, DefaultRootWindow(display), s.clipboard, XFixesSetSelectionOwnerNotifyMask);

    for (int i = 0; i < count; ++i) {
        bool ok = false;
        if (mode == "key") {
            ok = timeOne(s, [&] {
                pressCaptureKeys(display);
                XSync(display, False);  // the press has reached the server
                const Clock::time_point pressed = Clock::now();
                releaseCaptureKeys(display);
                return pressed;
            });
            std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argv[3])));
        } else {
            pid_t child = -1;
            ok = timeOne(s, [&] {
                const Clock::time_point started = Clock::now();
                child = fork();
                if (child == 0) {
                    // Whatever the command leaves running (xclip serves the clipboard on) must
                    // not hold our output open.
                    freopen("/dev/null", "w", stdout);
                    execl("/bin/sh", "sh", "-c", argv[3], static_cast<char *>(nullptr));
                    _exit(127);
                }
                return started;
            });
            waitpid(child, nullptr, 0);
        }
        if (!ok)
            return 1;
    }
    XCloseDisplay(display);
    return 0;
}
