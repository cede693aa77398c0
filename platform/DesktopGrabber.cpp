#include "DesktopGrabber.h"

#include <QGuiApplication>
#include <QPainter>
#include <QRegion>
#include <QScreen>

#include <cmath>

QRect deviceArea(const QScreen *screen)
{
    const QRect logical = screen->geometry();
    const qreal ratio = screen->devicePixelRatio();
    return QRect(logical.topLeft(), QSize(int(std::lround(logical.width() * ratio)),
                                          int(std::lround(logical.height() * ratio))));
}

QRect desktopDeviceArea()
{
    QRect box;
    for (const QScreen *screen : QGuiApplication::screens())
        box |= deviceArea(screen);
    return box;
}

QVector<ScreenPart> screenPartsWithin(const QRect &covered)
{
    QVector<ScreenPart> parts;
    for (QScreen *screen : QGuiApplication::screens())
        parts.append({screen, deviceArea(screen).translated(-covered.topLeft())});
    return parts;
}

void blackenUncovered(QImage &picture, const QRect &covered)
{
    QRegion uncovered(covered);
    for (const QScreen *screen : QGuiApplication::screens())
        uncovered -= deviceArea(screen);
    if (uncovered.isEmpty())
        return;
    QPainter painter(&picture);
    for (const QRect &rect : uncovered)
        painter.fillRect(rect.translated(-covered.topLeft()), Qt::black);
}
