#pragma once

#include "platform/DesktopGrabber.h"

// The desktop straight from the X root window, at device pixels: through a shared-memory segment
// (MIT-SHM), so the server writes the pixels into our memory instead of sending them over the
// socket, and with a plain GetImage where the extension is missing or refused (a remote server).
// Servers whose pixels are not 32-bit true colour go through the toolkit instead. Answers at once.
class X11DesktopGrabber : public DesktopGrabber
{
public:
    void grab(QObject *context, Done done) override;

    // Whether the last grab went through shared memory (for tests and benchmarks).
    bool lastGrabUsedSharedMemory() const { return usedSharedMemory; }

private:
    QImage grabRoot(const QRect &area);

    bool sharedMemoryRefused = false;
    bool usedSharedMemory = false;
};
