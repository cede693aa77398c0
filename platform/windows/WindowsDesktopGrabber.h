#pragma once

#include "platform/DesktopGrabber.h"

// The whole virtual desktop, every screen, from the desktop window's device context. Qt's grab
// of window 0 covers only the screen it is asked on; the rectangle of the whole desktop, given
// relative to the primary screen, reaches the others too. Answers at once.
class WindowsDesktopGrabber : public DesktopGrabber
{
public:
    void grab(QObject *context, Done done) override;
};
