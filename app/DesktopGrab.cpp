#include "DesktopGrab.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

QPixmap grabDesktop()
{
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {};
    // Window 0 is the desktop window itself. On X11 that is the root window, grabbed from its
    // origin at its full size: every screen of the virtual desktop, not only the primary one.
    return screen->grabWindow(0, 0, 0, -1, -1);
}
