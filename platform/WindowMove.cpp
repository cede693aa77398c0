#include "WindowMove.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

bool moveWithPointerBySystem(QWidget *window)
{
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return false;
    QWindow *handle = window->windowHandle();
    return handle && handle->startSystemMove();
}
