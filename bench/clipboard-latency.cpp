// Measures how long the program takes from a Ctrl+Alt+X key press to offering the picture on the
// clipboard: presses the keys through XTEST, timestamps the X press, and waits for the XFixes
// notice that the CLIPBOARD selection has a new owner.
//   clipboard-latency COUNT PAUSE_MS   prints one latency in milliseconds per line
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>
#include <X11/keysym.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

bool waitForOwnerChange(Display *display, int fixesEventBase, Clock::time_point deadline)
{
    while (Clock::now() < deadline) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == fixesEventBase + XFixesSelectionNotify)
                return true;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return false;
}

void pressCtrlAlt(Display *display, KeySym letter)
{
    for (KeySym key : {KeySym(XK_Control_L), KeySym(XK_Alt_L), letter})
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, key), True, CurrentTime);
}

} // namespace

int main(int argc, char **argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 20;
    const int pauseMs = argc > 2 ? std::atoi(argv[2]) : 1600;
    Display *display = XOpenDisplay(nullptr);
    int fixesEventBase = 0;
    int fixesErrorBase = 0;
    if (!display || !XFixesQueryExtension(display, &fixesEventBase, &fixesErrorBase))
        return 2;
    const Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
    XFixesSelectSelectionInput(display, DefaultRootWindow(display), clipboard,
                               XFixesSetSelectionOwnerNotifyMask);
    XSync(display, False);

    for (int i = 0; i < count; ++i) {
        pressCtrlAlt(display, XK_x);
        XSync(display, False); // the press has reached the server
        const Clock::time_point pressed = Clock::now();
        const bool offered = waitForOwnerChange(display, fixesEventBase, pressed + std::chrono::seconds(5));
        const Clock::time_point done = Clock::now();
        // Release in reverse order, as a hand would.
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, XK_x), False, CurrentTime);
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, XK_Alt_L), False, CurrentTime);
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, XK_Control_L), False, CurrentTime);
        XSync(display, False);
        if (!offered) {
            std::fprintf(stderr, "capture %d: no clipboard owner change within 5 s\n", i + 1);
            return 1;
        }
        std::printf("%.2f\n", std::chrono::duration<double, std::milli>(done - pressed).count());
        std::fflush(stdout);
        std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
    }
    XCloseDisplay(display);
    return 0;
}
