#include "PinGeometry.h"

#include <QtGlobal>

#include <algorithm>
#include <cmath>

namespace pin {

int steppedZoom(int percent, int steps)
{
    return std::clamp(percent + steps * zoomStepPercent, smallestZoomPercent, largestZoomPercent);
}

int steppedOpacity(int percent, int steps)
{
    return std::clamp(percent + steps * opacityStepPercent, faintestOpacityPercent, 100);
}

int wheelSteps(int angleDelta, int *pending)
{
    *pending += angleDelta;
    const int steps = *pending / wheelNotch; // rounds towards zero in both directions
    *pending -= steps * wheelNotch;
    return steps;
}

QSize zoomedSize(const QSizeF &natural, int percent)
{
    const double scale = percent / 100.0;
    return QSize(std::max(1, int(std::lround(natural.width() * scale))),
                 std::max(1, int(std::lround(natural.height() * scale))));
}

QPointF zoomedTopLeft(const QPointF &topLeft, int oldPercent, int newPercent, const QPointF &anchor)
{
    if (oldPercent <= 0)
        return topLeft;
    return anchor - (anchor - topLeft) * (double(newPercent) / oldPercent);
}

int fittingZoom(const QSizeF &natural, const QSize &room)
{
    if (natural.isEmpty() || (natural.width() <= room.width() && natural.height() <= room.height()))
        return 100;
    const double scale = std::min(room.width() / natural.width(), room.height() / natural.height());
    return std::clamp(int(std::floor(scale * 100)), smallestZoomPercent, 100);
}

QPoint placeWithin(const QSize &size, const QPoint &pointer, const QRect &area)
{
    const int x = std::max(area.left(), std::min(pointer.x(), area.right() + 1 - size.width()));
    const int y = std::max(area.top(), std::min(pointer.y(), area.bottom() + 1 - size.height()));
    return QPoint(x, y);
}

} // namespace pin
