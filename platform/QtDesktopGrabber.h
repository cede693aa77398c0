#pragma once

#include "DesktopGrabber.h"

// The toolkit's grab of the desktop window, one screen at a time (it clips each grab to one
// screen), put together into the picture of the whole desktop. Answers at once.
class QtDesktopGrabber : public DesktopGrabber
{
public:
    void grab(QObject *context, Done done) override;

    // The same, as a function for back ends that fall back to it.
    static DesktopPicture grabNow();
};
