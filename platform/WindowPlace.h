#pragma once

#include <functional>

class QPoint;
class QWidget;

// Puts the top-level `window` with its top-left at `logicalTopLeft` of the desktop. Wayland lets
// no program place its windows: there sway is asked to float it there without a border (through
// its IPC, once it has shown the window); other compositors place it where they will. Give the
// window a fixed size and a title of its own among the program's windows, so that sway floats it
// from the start rather than tiling it beside the others, and finds it. `placed` is called once
// the window stands there (at once where the program places its windows itself), or once sway
// has not shown it within 2 s; not at all when the window goes first.
void placeWindow(QWidget *window, const QPoint &logicalTopLeft, const std::function<void()> &placed);
