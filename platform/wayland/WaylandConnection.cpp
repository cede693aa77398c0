#include "WaylandConnection.h"

#include <QSocketNotifier>

#include <wayland-client.h>

WaylandConnection::WaylandConnection() = default;

WaylandConnection::~WaylandConnection()
{
    events.reset();
    if (connection)
        wl_display_disconnect(connection);
}

bool WaylandConnection::open()
{
    connection = wl_display_connect(nullptr);
    return connection;
}

bool WaylandConnection::roundtrip()
{
    broken = broken || wl_display_roundtrip(connection) < 0;
    return !broken;
}

void WaylandConnection::watch()
{
    events = std::make_unique<QSocketNotifier>(wl_display_get_fd(connection), QSocketNotifier::Read);
    QObject::connect(events.get(), &QSocketNotifier::activated, [this] { readEvents(); });
}

void WaylandConnection::flush()
{
    wl_display_flush(connection);
}

void WaylandConnection::readEvents()
{
    while (wl_display_prepare_read(connection) != 0)
        wl_display_dispatch_pending(connection);
    if (wl_display_read_events(connection) < 0 || wl_display_dispatch_pending(connection) < 0) {
        broken = true;
        events->setEnabled(false);
        return;
    }
    flush();
}
