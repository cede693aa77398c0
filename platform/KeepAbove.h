#pragma once

class QWidget;

// Keeps a top-level window above ordinary windows, as far as the window system lets a program ask,
// and always through the window manager, never around it: on X11 the window manager is asked
// for _NET_WM_STATE_ABOVE, on Windows the window is topmost; on Wayland, where a client cannot
// ask for this, KWin is asked through its scripting interface to keep it above, and a tiling
// compositor (sway) floats it because its size is fixed. Call before the window is first shown.
void keepAboveOtherWindows(QWidget *window);
