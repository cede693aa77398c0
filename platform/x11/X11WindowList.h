#pragma once

#include "platform/WindowList.h"
#include "platform/x11/X11ClientFrames.h"

#include <QSet>

// The windows an X11 window manager keeps in its stacking list (EWMH), or, where it keeps none,
// the root's children that hold a client (WM_STATE). Frames include the manager's decorations
// and leave out the shadows clients draw themselves.
class X11WindowList : public WindowList
{
public:
    X11WindowList();

    QVector<WindowFrame> windows() override;
    std::optional<WindowFrame> activeWindow() override;

private:
    // Top first.
    QVector<X11Candidate> stackingList();
    QVector<X11Candidate> treeList();
    // The candidates among `windows` that hold a client, themselves or in a child, in order.
    QVector<X11Candidate> withClients(const QVector<xcb_window_t> &windows);
    QSet<xcb_window_t> ownWindows() const;
    bool isOurs(const X11Client &client, const QSet<xcb_window_t> &own) const;
    xcb_window_t focusedTopLevel();

    xcb_connection_t *connection = nullptr;
    xcb_window_t root = XCB_NONE;
    X11WindowAtoms atoms;
};
