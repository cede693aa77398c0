#include "WindowSystem.h"

#include <QGuiApplication>

bool runsOnX11()
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

bool runsOnWayland()
{
    // "wayland", or "wayland-egl" and the like
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}
