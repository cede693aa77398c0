#pragma once

class QWidget;

// Where windows cannot place themselves (Wayland), asks the compositor to move `window` with the
// pointer whose button is down now, as it moves a framed window by its title bar. False where the
// program moves its windows itself (X11, Windows), or the compositor declined.
bool moveWithPointerBySystem(QWidget *window);
