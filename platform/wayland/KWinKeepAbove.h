#pragma once

class QWidget;

// Asks KWin, each time `window` is shown, to keep it above other windows: a small script loaded
// through KWin's scripting D-Bus interface finds the window by this process and its title. Does
// nothing outside a KDE session; where KWin does not answer, the window stays a normal one.
void keepAboveOnKWin(QWidget *window);
