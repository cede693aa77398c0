#include "PlatformChoice.h"

#include <QByteArray>
#include <QString>

void preferX11OnWayland()
{
#ifdef Q_OS_WIN
    // Run under Wine, a Windows build sees the Unix desktop's variables too; it has only the
    // Windows platform.
    return;
#endif
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return;
    const bool wayland = qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland")
                         || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    // Without XWayland (no DISPLAY) xcb could not start at all: Qt's own choice is better there.
    if (wayland && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
}

void leaveOutOpenGl()
{
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
}
