#include "WindowPlace.h"

#include "WindowSystem.h"

#include <QWidget>

#ifndef Q_OS_WIN
#include "platform/wayland/SwayPlacement.h"
#endif

void placeWindow(QWidget *window, const QPoint &logicalTopLeft, const std::function<void()> &placed)
{
    window->move(logicalTopLeft);
#ifndef Q_OS_WIN
    const QString swaySocket = qEnvironmentVariable("SWAYSOCK");
    if (runsOnWayland() && !swaySocket.isEmpty()) {
        placeOnSway(window, logicalTopLeft, swaySocket, placed);
        return;
    }
#endif
    placed();
}
