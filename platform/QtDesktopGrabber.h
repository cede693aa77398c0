#pragma once

#include "DesktopGrabber.h"

// The toolkit's grab of window 0, the desktop window: on X11 the root window, which spans every
// screen of the virtual desktop. Answers at once.
class QtDesktopGrabber : public DesktopGrabber
{
public:
    void grab(QObject *context, Done done) override;
};
