#pragma once

#include "WindowWithdrawal.h"

// Where the window system tells us nothing about its windows: hides the window and waits for two
// frames, in which a compositor has put the desktop without it on the screen.
class DelayedWithdrawal : public WindowWithdrawal
{
public:
    void hide(QWidget *window, Gone gone) override;
};
