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

QVector<ScreenPart> screenPartsScaledTo(const QSize &picture)
{
    QRect layout;
    for (const QScreen *screen : QGuiApplication::screens())
        layout |= screen->geometry();
    QVector<ScreenPart> parts;
    if (layout.isEmpty() || picture.isEmpty())
        return parts;
    const qreal scale = qreal(picture.width()) / layout.width();
    for (QScreen *screen : QGuiApplication::screens())
        parts.append({screen, scaledLayoutArea(screen->geometry(), layout, picture), scale});
    return parts;
}

QRect scaledLayoutArea(const QRect &logical, const QRect &layout, const QSize &picture)
{
    if (layout.isEmpty())
        return QRect();
    const qreal sx = qreal(picture.width()) / layout.width();
    const qreal sy = qreal(picture.height()) / layout.height();
    // From the scaled corners, so neighbours meet without a gap or an overlap at any scale.
    const QPoint from = logical.topLeft() - layout.topLeft();
    const QPoint to = from + QPoint(logical.width(), logical.height());
    const QRect area(QPoint(int(std::lround(from.x() * sx)), int(std::lround(from.y() * sy))),
                     QPoint(int(std::lround(to.x() * sx)) - 1, int(std::lround(to.y() * sy)) - 1));
    return area & QRect(QPoint(0, 0), picture);
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
