#include "PointerRest.h"

namespace {

// How far the pointer's picture may reach from its hot spot in any direction: cursor themes draw
// up to 48 pixels, with the hot spot anywhere in them, and a shadow around.
constexpr int pointerReach = 48;

}  // namespace

QPoint pointerRestingPlace(const QRect &region, const QRect &screen)
{
    const QPoint centre = region.center();
    if (region.bottom() + pointerReach <= screen.bottom())
        return {centre.x(), region.bottom() + pointerReach};
    if (region.top() - pointerReach >= screen.top())
        return {centre.x(), region.top() - pointerReach};
    if (region.right() + pointerReach <= screen.right())
        return {region.right() + pointerReach, centre.y()};
    if (region.left() - pointerReach >= screen.left())
        return {region.left() - pointerReach, centre.y()};
    return centre;
}
