#pragma once

class QPixmap;

// The whole desktop as it is now, at device pixels: on X11 the root window, which spans every
// screen of the virtual desktop. Null when the window system refuses the grab.
QPixmap grabDesktop();
