#include "PlatformChoice.h"

#include <QByteArray>
#include <QString>

void runNativelyOnWayland()
{
#ifndef Q_OS_WIN
    // (Run under Wine, a Windows build sees the Unix desktop's variables too; it has only the
    // Windows platform.)
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return;
    // Qt 5 on its own picks xcb whenever XDG_SESSION_TYPE is not "wayland", and on GNOME even
    // when it is.
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "wayland;xcb");
#endif
}

void leaveOutOpenGl()
{
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
}
