#pragma once

#include "platform/WindowList.h"

#include <QVector>

#include <xcb/xcb.h>

// The atoms the window list reads, interned together in one round trip.
struct X11WindowAtoms
{
    xcb_atom_t clientListStacking = XCB_NONE;
    xcb_atom_t activeWindow = XCB_NONE;
    xcb_atom_t frameExtents = XCB_NONE;
    xcb_atom_t gtkFrameExtents = XCB_NONE;
    xcb_atom_t state = XCB_NONE;
    xcb_atom_t stateHidden = XCB_NONE;
    xcb_atom_t windowType = XCB_NONE;
    xcb_atom_t typeDesktop = XCB_NONE;
    xcb_atom_t typeDock = XCB_NONE;
    xcb_atom_t pid = XCB_NONE;
    xcb_atom_t name = XCB_NONE;
    xcb_atom_t utf8String = XCB_NONE;
    xcb_atom_t wmState = XCB_NONE;

    static X11WindowAtoms intern(xcb_connection_t *connection);
};

// A top-level window to look at: the client, which carries the properties, and the window
// manager's frame around it where the tree showed one (XCB_NONE: the frame is known only from
// the client's _NET_FRAME_EXTENTS).
struct X11Candidate
{
    xcb_window_t client = XCB_NONE;
    xcb_window_t frame = XCB_NONE;
};

// What the server told about one candidate.
struct X11Client
{
    xcb_window_t client = XCB_NONE;
    WindowFrame frame;
    bool answered = false;  // false: gone meanwhile
    bool viewable = false;
    bool hidden = false;    // _NET_WM_STATE_HIDDEN (minimised, or on another desktop)
    bool desktop = false;   // _NET_WM_WINDOW_TYPE_DESKTOP
    bool dock = false;      // _NET_WM_WINDOW_TYPE_DOCK
    quint32 pid = 0;
};

// Every candidate's frame and properties: all requests are sent before the first reply is
// read, so the whole list costs one round trip however long it is.
QVector<X11Client> readClients(xcb_connection_t *connection, xcb_window_t root,
                               const X11WindowAtoms &atoms, const QVector<X11Candidate> &candidates);

// The visible outer frame of a client at `client` (root coordinates): grown by the window
// manager's decorations (_NET_FRAME_EXTENTS: left, right, top, bottom) and shrunk by the
// shadows a client draws itself (_GTK_FRAME_EXTENTS, the same order).
QRect outerFrame(const QRect &client, const QVector<quint32> &decorations,
                 const QVector<quint32> &shadows);
