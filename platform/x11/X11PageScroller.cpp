#include "X11PageScroller.h"

#include <QPoint>
#include <QX11Info>
// Xlib's macros clash with Qt's names, so these come last.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace {

bool hasXTest(Display *display)
{
    int event = 0;
    int error = 0;
    int major = 0;
    int minor = 0;
    return display && XTestQueryExtension(display, &event, &error, &major, &minor);
}

}  // namespace

bool X11PageScroller::canScroll() const
{
    return QX11Info::isPlatformX11() && hasXTest(QX11Info::display());
}

void X11PageScroller::scrollDown(const QPoint &devicePoint, int notches)
{
    Display *display = QX11Info::display();
    if (!QX11Info::isPlatformX11() || !hasXTest(display))
        return;
    const Window root = DefaultRootWindow(display);
    Window rootBack = 0;
    Window child = 0;
    int rootX = 0;
    int rootY = 0;
    int x = 0;
    int y = 0;
    unsigned int buttons = 0;
    const bool known = XQueryPointer(display, root, &rootBack, &child, &rootX, &rootY, &x, &y, &buttons);
    // The server handles these in order, so the wheel reaches the window under the point even
    // though the pointer is back before anything is drawn.
    XTestFakeMotionEvent(display, -1, devicePoint.x(), devicePoint.y(), CurrentTime);
    constexpr unsigned int wheelDown = 5;
    for (int i = 0; i < notches; ++i) {
        XTestFakeButtonEvent(display, wheelDown, True, CurrentTime);
        XTestFakeButtonEvent(display, wheelDown, False, CurrentTime);
    }
    if (known)
        XTestFakeMotionEvent(display, -1, rootX, rootY, CurrentTime);
    XFlush(display);
}
