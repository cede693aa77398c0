#include "X11ClientFrames.h"

#include "platform/x11/XcbReply.h"

#include <cstring>

namespace {

XcbReply<xcb_get_property_reply_t> takeProperty(xcb_connection_t *connection, xcb_get_property_cookie_t cookie)
{
    return takeReply<xcb_get_property_reply_t>(connection, xcb_get_property_reply, cookie);
}

QVector<quint32> cardinals(const xcb_get_property_reply_t *reply)
{
    QVector<quint32> values;
    if (!reply || reply->format != 32)
        return values;
    const auto *data = static_cast<const quint32 *>(xcb_get_property_value(reply));
    const int count = xcb_get_property_value_length(reply) / 4;
    values.reserve(count);
    for (int i = 0; i < count; ++i)
        values.append(data[i]);
    return values;
}

QString text(const xcb_get_property_reply_t *reply, bool utf8)
{
    if (!reply || reply->format != 8)
        return QString();
    const auto *data = static_cast<const char *>(xcb_get_property_value(reply));
    const int length = xcb_get_property_value_length(reply);
    return utf8 ? QString::fromUtf8(data, length) : QString::fromLocal8Bit(data, length);
}

// The requests for one candidate, sent before any reply is read.
struct Pending
{
    xcb_get_window_attributes_cookie_t attributes;
    xcb_get_geometry_cookie_t geometry;
    xcb_translate_coordinates_cookie_t origin;
    xcb_get_property_cookie_t frameExtents, gtkFrameExtents, state, type, pid, netName, name;
};

constexpr quint32 longestTitle = 256;  // in 32-bit units
constexpr quint32 mostAtoms = 64;

Pending send(xcb_connection_t *connection, xcb_window_t root, const X11WindowAtoms &atoms,
             const X11Candidate &candidate)
{
    // The manager's frame where the tree showed one, else the client itself.
    const xcb_window_t outer = candidate.frame != XCB_NONE ? candidate.frame : candidate.client;
    const xcb_window_t client = candidate.client;
    auto property = [&](xcb_atom_t name, xcb_atom_t type, quint32 length) {
        return xcb_get_property(connection, 0, client, name, type, 0, length);
    };
    return {xcb_get_window_attributes(connection, outer),
            xcb_get_geometry(connection, outer),
            xcb_translate_coordinates(connection, outer, root, 0, 0),
            property(atoms.frameExtents, XCB_ATOM_CARDINAL, 4),
            property(atoms.gtkFrameExtents, XCB_ATOM_CARDINAL, 4),
            property(atoms.state, XCB_ATOM_ATOM, mostAtoms),
            property(atoms.windowType, XCB_ATOM_ATOM, mostAtoms),
            property(atoms.pid, XCB_ATOM_CARDINAL, 1),
            property(atoms.name, atoms.utf8String, longestTitle),
            property(XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, longestTitle)};
}

X11Client receive(xcb_connection_t *connection, const X11WindowAtoms &atoms,
                  const X11Candidate &candidate, const Pending &pending)
{
    X11Client result;
    result.client = candidate.client;
    // Every reply is taken, even after a failure, so none is left queued on the connection.
    const auto attributes = takeReply<xcb_get_window_attributes_reply_t>(
        connection, xcb_get_window_attributes_reply, pending.attributes);
    const auto geometry = takeReply<xcb_get_geometry_reply_t>(connection, xcb_get_geometry_reply, pending.geometry);
    const auto origin = takeReply<xcb_translate_coordinates_reply_t>(
        connection, xcb_translate_coordinates_reply, pending.origin);
    const auto frameExtents = takeProperty(connection, pending.frameExtents);
    const auto gtkFrameExtents = takeProperty(connection, pending.gtkFrameExtents);
    const auto state = takeProperty(connection, pending.state);
    const auto type = takeProperty(connection, pending.type);
    const auto pid = takeProperty(connection, pending.pid);
    const auto netName = takeProperty(connection, pending.netName);
    const auto name = takeProperty(connection, pending.name);
    if (!attributes || !geometry || !origin)
        return result;

    result.answered = true;
    result.viewable = attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    for (quint32 atom : cardinals(state.get()))
        result.hidden = result.hidden || atom == atoms.stateHidden;
    for (quint32 atom : cardinals(type.get())) {
        result.desktop = result.desktop || atom == atoms.typeDesktop;
        result.dock = result.dock || atom == atoms.typeDock;
    }
    const QVector<quint32> pids = cardinals(pid.get());
    result.pid = pids.isEmpty() ? 0 : pids.first();

    // The origin a window is translated from lies inside its border.
    const int border = geometry->border_width;
    const QRect outer(origin->dst_x - border, origin->dst_y - border,
                      geometry->width + 2 * border, geometry->height + 2 * border);
    // A frame found in the tree holds the decorations already.
    const QVector<quint32> decorations =
        candidate.frame != XCB_NONE && candidate.frame != candidate.client ? QVector<quint32>()
                                                                           : cardinals(frameExtents.get());
    result.frame.area = outerFrame(outer, decorations, cardinals(gtkFrameExtents.get()));
    result.frame.title = text(netName.get(), true);
    if (result.frame.title.isEmpty())
        result.frame.title = text(name.get(), name && name->type == atoms.utf8String);
    return result;
}

} // namespace

X11WindowAtoms X11WindowAtoms::intern(xcb_connection_t *connection)
{
    X11WindowAtoms atoms;
    const std::pair<xcb_atom_t *, const char *> names[] = {
        {&atoms.clientListStacking, "_NET_CLIENT_LIST_STACKING"},
        {&atoms.activeWindow, "_NET_ACTIVE_WINDOW"},
        {&atoms.frameExtents, "_NET_FRAME_EXTENTS"},
        {&atoms.gtkFrameExtents, "_GTK_FRAME_EXTENTS"},
        {&atoms.state, "_NET_WM_STATE"},
        {&atoms.stateHidden, "_NET_WM_STATE_HIDDEN"},
        {&atoms.windowType, "_NET_WM_WINDOW_TYPE"},
        {&atoms.typeDesktop, "_NET_WM_WINDOW_TYPE_DESKTOP"},
        {&atoms.typeDock, "_NET_WM_WINDOW_TYPE_DOCK"},
        {&atoms.pid, "_NET_WM_PID"},
        {&atoms.name, "_NET_WM_NAME"},
        {&atoms.utf8String, "UTF8_STRING"},
        {&atoms.wmState, "WM_STATE"},
    };
    QVector<xcb_intern_atom_cookie_t> cookies;
    for (const auto &entry : names)
        cookies.append(xcb_intern_atom(connection, 0, quint16(std::strlen(entry.second)), entry.second));
    for (int i = 0; i < cookies.size(); ++i) {
        const auto reply = takeReply<xcb_intern_atom_reply_t>(connection, xcb_intern_atom_reply, cookies[i]);
        if (reply)
            *names[i].first = reply->atom;
    }
    return atoms;
}

QVector<X11Client> readClients(xcb_connection_t *connection, xcb_window_t root,
                               const X11WindowAtoms &atoms, const QVector<X11Candidate> &candidates)
{
    QVector<Pending> pending;
    pending.reserve(candidates.size());
    for (const X11Candidate &candidate : candidates)
        pending.append(send(connection, root, atoms, candidate));
    QVector<X11Client> clients;
    clients.reserve(candidates.size());
    for (int i = 0; i < candidates.size(); ++i)
        clients.append(receive(connection, atoms, candidates[i], pending[i]));
    return clients;
}

QRect outerFrame(const QRect &client, const QVector<quint32> &decorations, const QVector<quint32> &shadows)
{
    auto side = [](const QVector<quint32> &extents, int i) {
        return extents.size() == 4 ? int(extents[i]) : 0;
    };
    return client.adjusted(-side(decorations, 0) + side(shadows, 0), -side(decorations, 2) + side(shadows, 2),
                           side(decorations, 1) - side(shadows, 1), side(decorations, 3) - side(shadows, 3));
}
