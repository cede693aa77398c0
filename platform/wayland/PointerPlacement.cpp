#include "PointerPlacement.h"

#include <cmath>

std::optional<AbsoluteMotion> absoluteMotionTo(const QPoint &devicePoint, const QVector<ScreenPlace> &screens)
{
    QRect layout;
    for (const ScreenPlace &screen : screens)
        layout |= screen.logical;
    for (const ScreenPlace &screen : screens) {
        const QPoint origin = screen.logical.topLeft();
        const QSize deviceSize(int(std::lround(screen.logical.width() * screen.ratio)),
                               int(std::lround(screen.logical.height() * screen.ratio)));
        if (!QRect(origin, deviceSize).contains(devicePoint))
            continue;
        // A scaled screen's device pixels can reach into its neighbour's place in this layout;
        // there the screen listed first is taken.
        const QPointF offset = QPointF(devicePoint - origin) / screen.ratio;
        const QPoint logical = origin + QPoint(int(std::floor(offset.x())), int(std::floor(offset.y())));
        return AbsoluteMotion{quint32(logical.x() - layout.left()), quint32(logical.y() - layout.top()),
                              quint32(layout.width()), quint32(layout.height())};
    }
    return std::nullopt;
}
