#include "VirtualPointerPageScroller.h"

#include "platform/wayland/PointerPlacement.h"
#include "platform/wayland/WaylandConnection.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

#include <QGuiApplication>
#include <QScreen>

#include <chrono>
#include <cstring>
#include <wayland-client.h>

namespace {

// One notch of a mouse wheel as libinput reports it (degrees), which clients expect beside the
// discrete step; Qt makes each step 120 of its angle units.
constexpr double degreesPerNotch = 15;

uint32_t nowMs()
{
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

QVector<ScreenPlace> screenPlaces()
{
    QVector<ScreenPlace> places;
    for (const QScreen *screen : QGuiApplication::screens())
        places.append({screen->geometry(), screen->devicePixelRatio()});
    return places;
}

}  // namespace

std::unique_ptr<VirtualPointerPageScroller> VirtualPointerPageScroller::connect()
{
    std::unique_ptr<VirtualPointerPageScroller> scroller(new VirtualPointerPageScroller);
    if (!scroller->connectToCompositor())
        return nullptr;
    return scroller;
}

VirtualPointerPageScroller::VirtualPointerPageScroller()
    : wayland(std::make_unique<WaylandConnection>())
{
}

VirtualPointerPageScroller::~VirtualPointerPageScroller()
{
    if (pointer)
        zwlr_virtual_pointer_v1_destroy(pointer);
    if (manager)
        zwlr_virtual_pointer_manager_v1_destroy(manager);
    if (registry)
        wl_registry_destroy(registry);
    if (wayland->display())
        wayland->flush();
}

bool VirtualPointerPageScroller::connectToCompositor()
{
    if (!wayland->open())
        return false;
    static const wl_registry_listener listener{&VirtualPointerPageScroller::takeGlobal,
                                               &VirtualPointerPageScroller::forgetGlobal};
    registry = wl_display_get_registry(wayland->display());
    wl_registry_add_listener(registry, &listener, this);
    if (!wayland->roundtrip() || !manager)
        return false;
    // On the compositor's default seat, over the whole layout (no output of its own).
    pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, nullptr);
    if (!wayland->roundtrip())
        return false;
    // A protocol error or a compositor gone shows as a broken connection.
    wayland->watch();
    return true;
}

void VirtualPointerPageScroller::takeGlobal(void *data, wl_registry *registry, uint32_t name, const char *interface,
                                            uint32_t)
{
    auto *self = static_cast<VirtualPointerPageScroller *>(data);
    if (!self->manager && std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        self->manager = static_cast<zwlr_virtual_pointer_manager_v1 *>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
}

void VirtualPointerPageScroller::forgetGlobal(void *, wl_registry *, uint32_t)
{
    // The manager's removal changes nothing for the pointer already made.
}

bool VirtualPointerPageScroller::canScroll() const
{
    return pointer && !wayland->isBroken();
}

void VirtualPointerPageScroller::restPointerAt(const QPoint &devicePoint)
{
    restingPlace = devicePoint;
    if (canScroll() && moveTo(devicePoint))
        wayland->flush();
}

bool VirtualPointerPageScroller::moveTo(const QPoint &devicePoint)
{
    const std::optional<AbsoluteMotion> motion = absoluteMotionTo(devicePoint, screenPlaces());
    if (!motion)
        return false;
    zwlr_virtual_pointer_v1_motion_absolute(pointer, nowMs(), motion->x, motion->y, motion->xExtent,
                                            motion->yExtent);
    zwlr_virtual_pointer_v1_frame(pointer);
    return true;
}

void VirtualPointerPageScroller::scrollDown(const QPoint &devicePoint, int notches)
{
    // wlroots hands a virtual pointer's events on only at its frame: the motion in one (so that
    // the window under the point has the pointer's focus), then each notch in its own, as a wheel
    // sends them. The compositor delivers them in order, so the wheel reaches that window even
    // though the pointer has moved on before the window reads it.
    if (!canScroll() || !moveTo(devicePoint))
        return;
    for (int i = 0; i < notches; ++i) {
        zwlr_virtual_pointer_v1_axis_source(pointer, WL_POINTER_AXIS_SOURCE_WHEEL);
        zwlr_virtual_pointer_v1_axis_discrete(pointer, nowMs(), WL_POINTER_AXIS_VERTICAL_SCROLL,
                                              wl_fixed_from_double(degreesPerNotch), 1);
        zwlr_virtual_pointer_v1_frame(pointer);
    }
    if (restingPlace)
        moveTo(*restingPlace);
    wayland->flush();
}
