#pragma once

#include "platform/WindowWithdrawal.h"

// Hides a window on X11 and waits until the server shows it no more: the window and the frame
// that the window manager put around it are both unmapped (the manager takes its frame away only
// after it has seen our unmap), then one frame more for the windows below to repaint.
class X11WindowWithdrawal : public WindowWithdrawal
{
public:
    void hide(QWidget *window, Gone gone) override;
};
