#include "X11ClipboardManager.h"

#include <QX11Info>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

bool x11ClipboardManagerRunning()
{
    xcb_connection_t *connection = QX11Info::connection();
    if (!connection)
        return true;
    constexpr char name[] = "CLIPBOARD_MANAGER";
    xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 1, std::strlen(name), name), nullptr);
    if (!atom)
        return true;
    // Only if it exists: no manager ever ran when the display has no such atom.
    const xcb_atom_t selection = atom->atom;
    std::free(atom);
    if (selection == XCB_ATOM_NONE)
        return false;
    xcb_get_selection_owner_reply_t *owner = xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, selection), nullptr);
    const bool running = !owner || owner->owner != XCB_NONE;
    std::free(owner);
    return running;
}
