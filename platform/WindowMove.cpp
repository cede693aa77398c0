#include "WindowMove.h"

#include "WindowSystem.h"

#include <QWidget>
#include <QWindow>

bool moveWithPointerBySystem(QWidget *window)
{
    if (!runsOnWayland())
        return false;
    QWindow *handle = window->windowHandle();
    return handle && handle->startSystemMove();
}
