#pragma once

#include <memory>

class QSocketNotifier;
struct wl_display;

// A connection of our own to the session's compositor, beside the toolkit's, for the protocols
// Qt does not speak. Once watched, its events are read and dispatched from the event loop; when
// the compositor has gone, it reads no more and is broken from then on. Whatever was made on it
// must be destroyed before it.
class WaylandConnection
{
public:
    WaylandConnection();
    ~WaylandConnection();
    WaylandConnection(const WaylandConnection &) = delete;
    WaylandConnection &operator=(const WaylandConnection &) = delete;

    // To the compositor of WAYLAND_DISPLAY; false where none answers.
    bool open();
    wl_display *display() const { return connection; }
    // Waits for the compositor to have answered all that was sent; false once it has gone.
    bool roundtrip();
    // From now on, events are dispatched as they come.
    void watch();
    bool isBroken() const { return broken; }
    // Sends what was asked outside an event's dispatch.
    void flush();

private:
    void readEvents();

    wl_display *connection = nullptr;
    std::unique_ptr<QSocketNotifier> events;
    bool broken = false;
};
