#include "WindowList.h"

#include "platform/DesktopGrabber.h"
#include "platform/WindowSystem.h"

#include <QScreen>

QRect windowSystemArea(const QScreen *screen)
{
    // A Wayland compositor tells window places in its logical layout, as the toolkit places
    // screens; X11 and Windows count device pixels from each screen's logical origin.
    if (runsOnWayland())
        return screen->geometry();
    return deviceArea(screen);
}
