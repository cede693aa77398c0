#include "X11WindowList.h"

#include "platform/x11/XcbReply.h"

#include <QGuiApplication>
#include <QWindow>
#include <QX11Info>

#include <algorithm>

#include <unistd.h>

namespace {

// A window manager keeps a few hundred clients at most; the list is read whole.
constexpr quint32 mostClients = 1 << 16;

QVector<xcb_window_t> windowsOf(const xcb_get_property_reply_t *reply)
{
    QVector<xcb_window_t> windows;
    if (!reply || reply->format != 32 || reply->type != XCB_ATOM_WINDOW)
        return windows;
    const auto *data = static_cast<const xcb_window_t *>(xcb_get_property_value(reply));
    windows.reserve(xcb_get_property_value_length(reply) / 4);
    for (int i = 0; i < xcb_get_property_value_length(reply) / 4; ++i)
        windows.append(data[i]);
    return windows;
}

QVector<xcb_window_t> childrenOf(const xcb_query_tree_reply_t *tree)
{
    QVector<xcb_window_t> children;
    if (!tree)
        return children;
    const xcb_window_t *data = xcb_query_tree_children(tree);
    for (int i = 0; i < xcb_query_tree_children_length(tree); ++i)
        children.append(data[i]);
    return children;
}

bool hasProperty(const xcb_get_property_reply_t *reply)
{
    return reply && reply->type != XCB_NONE;
}

bool coversRoot(const QRect &area, xcb_connection_t *connection)
{
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    return screen && area.contains(QRect(0, 0, screen->width_in_pixels, screen->height_in_pixels));
}

} // namespace

X11WindowList::X11WindowList()
    : connection(QX11Info::connection())
    , root(QX11Info::appRootWindow())
{
    if (connection)
        atoms = X11WindowAtoms::intern(connection);
}

QVector<WindowFrame> X11WindowList::windows()
{
    QVector<WindowFrame> frames;
    if (!connection)
        return frames;
    QVector<X11Candidate> candidates = stackingList();
    if (candidates.isEmpty())
        candidates = treeList();
    const QSet<xcb_window_t> own = ownWindows();
    for (const X11Client &client : readClients(connection, root, atoms, candidates)) {
        // A desktop window (and a dock that covers everything) would catch every click that
        // misses a window; the overlay takes the whole screen there itself.
        if (!client.answered || !client.viewable || client.hidden || client.desktop
            || (client.dock && coversRoot(client.frame.area, connection)) || isOurs(client, own)
            || client.frame.area.isEmpty())
            continue;
        frames.append(client.frame);
    }
    return frames;
}

std::optional<WindowFrame> X11WindowList::activeWindow()
{
    if (!connection)
        return std::nullopt;
    X11Candidate candidate;
    const auto active = takeReply<xcb_get_property_reply_t>(
        connection, xcb_get_property_reply,
        xcb_get_property(connection, 0, root, atoms.activeWindow, XCB_ATOM_WINDOW, 0, 1));
    const QVector<xcb_window_t> named = windowsOf(active.get());
    if (hasProperty(active.get())) {
        // The manager keeps the property: none named means no window has the focus.
        if (named.isEmpty() || named.first() == XCB_NONE)
            return std::nullopt;
        candidate.client = named.first();
    } else {
        const xcb_window_t focused = focusedTopLevel();
        const QVector<X11Candidate> found =
            focused != XCB_NONE ? withClients({focused}) : QVector<X11Candidate>();
        if (found.isEmpty())
            return std::nullopt;
        candidate = found.first();
    }
    const QVector<X11Client> clients = readClients(connection, root, atoms, {candidate});
    if (clients.isEmpty() || !clients.first().answered || !clients.first().viewable)
        return std::nullopt;
    return clients.first().frame;
}

QVector<X11Candidate> X11WindowList::stackingList()
{
    const auto list = takeReply<xcb_get_property_reply_t>(
        connection, xcb_get_property_reply,
        xcb_get_property(connection, 0, root, atoms.clientListStacking, XCB_ATOM_WINDOW, 0, mostClients));
    // Bottom to top, as EWMH keeps it.
    const QVector<xcb_window_t> clients = windowsOf(list.get());
    QVector<X11Candidate> candidates;
    candidates.reserve(clients.size());
    for (auto it = clients.crbegin(); it != clients.crend(); ++it)
        candidates.append({*it, XCB_NONE});
    return candidates;
}

QVector<X11Candidate> X11WindowList::treeList()
{
    const auto tree = takeReply<xcb_query_tree_reply_t>(connection, xcb_query_tree_reply, xcb_query_tree(connection, root));
    QVector<xcb_window_t> children = childrenOf(tree.get());
    // The tree lists the topmost last.
    std::reverse(children.begin(), children.end());
    return withClients(children);
}

QVector<X11Candidate> X11WindowList::withClients(const QVector<xcb_window_t> &windows)
{
    // Both rounds send every request before reading a reply: two round trips in all.
    QVector<xcb_get_property_cookie_t> states;
    QVector<xcb_query_tree_cookie_t> trees;
    for (xcb_window_t window : windows) {
        states.append(xcb_get_property(connection, 0, window, atoms.wmState, XCB_GET_PROPERTY_TYPE_ANY, 0, 0));
        trees.append(xcb_query_tree(connection, window));
    }
    QVector<X11Candidate> candidates(windows.size());
    QVector<QVector<xcb_window_t>> inner(windows.size());
    QVector<QVector<xcb_get_property_cookie_t>> innerStates(windows.size());
    for (int i = 0; i < windows.size(); ++i) {
        const auto state = takeReply<xcb_get_property_reply_t>(connection, xcb_get_property_reply, states[i]);
        const auto tree = takeReply<xcb_query_tree_reply_t>(connection, xcb_query_tree_reply, trees[i]);
        if (windows[i] == XCB_NONE)
            continue;
        if (hasProperty(state.get())) {
            candidates[i] = {windows[i], windows[i]};
            continue;
        }
        // A reparenting manager's frame: the client is one of its children.
        inner[i] = childrenOf(tree.get());
        for (xcb_window_t child : inner[i])
            innerStates[i].append(
                xcb_get_property(connection, 0, child, atoms.wmState, XCB_GET_PROPERTY_TYPE_ANY, 0, 0));
    }
    for (int i = 0; i < windows.size(); ++i) {
        for (int j = 0; j < inner[i].size(); ++j) {
            const auto state = takeReply<xcb_get_property_reply_t>(connection, xcb_get_property_reply, innerStates[i][j]);
            if (hasProperty(state.get()) && candidates[i].client == XCB_NONE)
                candidates[i] = {inner[i][j], windows[i]};
        }
    }
    candidates.erase(std::remove_if(candidates.begin(), candidates.end(),
                                    [](const X11Candidate &c) { return c.client == XCB_NONE; }),
                     candidates.end());
    return candidates;
}

QSet<xcb_window_t> X11WindowList::ownWindows() const
{
    QSet<xcb_window_t> own;
    for (const QWindow *window : QGuiApplication::topLevelWindows()) {
        // Only windows that exist on the server: asking another for its id would create it.
        if (window->handle())
            own.insert(xcb_window_t(window->winId()));
    }
    return own;
}

bool X11WindowList::isOurs(const X11Client &client, const QSet<xcb_window_t> &own) const
{
    static const quint32 ourPid = quint32(getpid());
    return client.pid == ourPid || own.contains(client.client);
}

xcb_window_t X11WindowList::focusedTopLevel()
{
    const auto focus = takeReply<xcb_get_input_focus_reply_t>(connection, xcb_get_input_focus_reply,
                                                         xcb_get_input_focus(connection));
    // None and PointerRoot (1) name no window.
    xcb_window_t window = focus && focus->focus > 1 ? focus->focus : XCB_NONE;
    // Up to the ancestor just below the root; a window of a few levels, so a round trip each.
    for (int depth = 0; window != XCB_NONE && window != root && depth < 16; ++depth) {
        const auto tree = takeReply<xcb_query_tree_reply_t>(connection, xcb_query_tree_reply,
                                                       xcb_query_tree(connection, window));
        if (!tree)
            return XCB_NONE;
        if (tree->parent == root)
            return window;
        window = tree->parent;
    }
    return XCB_NONE;
}
