// A minimal clipboard manager, as desktops run one: it owns CLIPBOARD_MANAGER and, when a
// clipboard owner that is about to exit asks it to SAVE_TARGETS, fetches every target the owner
// offers (as a real manager keeps them all) before it answers. The owner waits for that answer.
//   clipboard-keeper      runs until killed; prints each hand-over's targets and time on stderr
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

double nowMs()
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void waitFor(Display *display, int type, XEvent &event)
{
    do
        XNextEvent(display, &event);
    while (event.type != type);
}

// Reads the property a conversion left, also when it arrives in increments; returns its bytes.
unsigned long takeProperty(Display *display, Window window, Atom property)
{
    Atom type;
    int format;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    XGetWindowProperty(display, window, property, 0, 0x7fffffff, True, AnyPropertyType, &type, &format,
                       &count, &after, &data);
    if (data)
        XFree(data);
    if (type != XInternAtom(display, "INCR", False))
        return count;
    unsigned long total = 0;
    for (;;) {
        XEvent event;
        do
            waitFor(display, PropertyNotify, event);
        while (event.xproperty.atom != property || event.xproperty.state != PropertyNewValue);
        XGetWindowProperty(display, window, property, 0, 0x7fffffff, True, AnyPropertyType, &type, &format,
                           &count, &after, &data);
        if (data)
            XFree(data);
        if (count == 0)
            return total;
        total += count;
    }
}

bool convert(Display *display, Window window, Atom selection, Atom target, Atom property)
{
    XConvertSelection(display, selection, target, property, window, CurrentTime);
    XEvent event;
    waitFor(display, SelectionNotify, event);
    return event.xselection.property != None;
}

std::vector<Atom> targetsOf(Display *display, Window window, Atom clipboard, Atom property)
{
    std::vector<Atom> targets;
    if (!convert(display, window, clipboard, XInternAtom(display, "TARGETS", False), property))
        return targets;
    Atom type;
    int format;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    XGetWindowProperty(display, window, property, 0, 4096, True, XA_ATOM, &type, &format, &count, &after, &data);
    if (data) {
        auto *atoms = reinterpret_cast<Atom *>(data);
        targets.assign(atoms, atoms + count);
        XFree(data);
    }
    return targets;
}

void keepEverything(Display *display, Window window, Atom clipboard, Atom property)
{
    const double start = nowMs();
    int kept = 0;
    for (Atom target : targetsOf(display, window, clipboard, property)) {
        char *name = XGetAtomName(display, target);
        // The selection's own protocol targets hold no content.
        const bool meta = target == XInternAtom(display, "TARGETS", False) || std::strcmp(name, "MULTIPLE") == 0
                          || std::strcmp(name, "TIMESTAMP") == 0 || std::strcmp(name, "SAVE_TARGETS") == 0;
        if (!meta) {
            const double began = nowMs();
            const unsigned long bytes = convert(display, window, clipboard, target, property)
                                            ? takeProperty(display, window, property) : 0;
            std::fprintf(stderr, "  %s: %lu bytes in %.0f ms\n", name, bytes, nowMs() - began);
            ++kept;
        }
        XFree(name);
    }
    std::fprintf(stderr, "clipboard-keeper: kept %d targets in %.0f ms\n", kept, nowMs() - start);
}

} // namespace

int main()
{
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return 2;
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    XSelectInput(display, window, PropertyChangeMask);
    const Atom manager = XInternAtom(display, "CLIPBOARD_MANAGER", False);
    const Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
    const Atom saveTargets = XInternAtom(display, "SAVE_TARGETS", False);
    const Atom property = XInternAtom(display, "KEEPER_DATA", False);
    XSetSelectionOwner(display, manager, window, CurrentTime);
    XSync(display, False);
    for (;;) {
        XEvent event;
        waitFor(display, SelectionRequest, event);
        const XSelectionRequestEvent request = event.xselectionrequest;
        if (request.target == saveTargets)
            keepEverything(display, window, clipboard, property);
        XEvent reply = {};
        reply.xselection.type = SelectionNotify;
        reply.xselection.requestor = request.requestor;
        reply.xselection.selection = request.selection;
        reply.xselection.target = request.target;
        reply.xselection.property = request.property;
        reply.xselection.time = request.time;
        XSendEvent(display, request.requestor, False, 0, &reply);
        XFlush(display);
    }
}
