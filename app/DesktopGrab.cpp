#include "DesktopGrab.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

QPixmap grabDesktop()
{
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {};
    // Window 0 is the desktop window itself (the root window on X11), grabbed from its origin at
    // its full size rather than clipped to the primary screen.
    return screen->grabWindow(0, 0, 0, -1, -1);
}
