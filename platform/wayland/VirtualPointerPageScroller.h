#pragma once

#include "platform/PageScroller.h"

#include <QPoint>

#include <memory>
#include <optional>

class WaylandConnection;
struct wl_registry;
struct zwlr_virtual_pointer_manager_v1;
struct zwlr_virtual_pointer_v1;

// The wheel of a pointer of our own that wlroots compositors (sway, Hyprland, …) let a client
// add through the virtual-pointer protocol, on a connection beside the toolkit's. The pointer is
// made once and kept while the scroller lives: a seat that only now gains its first pointer (a
// desktop without a mouse) tells the clients so, and whatever is sent before they have taken up
// their own pointer object reaches none of them.
class VirtualPointerPageScroller : public PageScroller
{
public:
    // On the compositor of this session; null where it offers no virtual pointers.
    static std::unique_ptr<VirtualPointerPageScroller> connect();
    ~VirtualPointerPageScroller() override;

    bool canScroll() const override;
    void scrollDown(const QPoint &devicePoint, int notches) override;
    // A Wayland client cannot learn where the pointer was: until a resting place is set, it
    // stays where the wheel was turned.
    void restPointerAt(const QPoint &devicePoint) override;

private:
    VirtualPointerPageScroller();
    bool connectToCompositor();
    bool moveTo(const QPoint &devicePoint);

    static void takeGlobal(void *data, wl_registry *registry, uint32_t name, const char *interface,
                           uint32_t version);
    static void forgetGlobal(void *data, wl_registry *registry, uint32_t name);

    std::unique_ptr<WaylandConnection> wayland;
    wl_registry *registry = nullptr;
    zwlr_virtual_pointer_manager_v1 *manager = nullptr;
    zwlr_virtual_pointer_v1 *pointer = nullptr;
    std::optional<QPoint> restingPlace;
};
