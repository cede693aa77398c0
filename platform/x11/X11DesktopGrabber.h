#pragma once

#include "platform/DesktopGrabber.h"

#include <QTimer>

#include <memory>

class SharedImagePool;

// The desktop straight from the X root window, at device pixels: through shared memory (MIT-SHM),
// so the server writes the pixels into our memory instead of sending them over the socket, and
// with a plain GetImage where the extension is missing or refused (a remote server). Servers whose
// pixels are not 32-bit true colour go through the toolkit instead. Answers at once.
class X11DesktopGrabber : public DesktopGrabber
{
public:
    X11DesktopGrabber();
    ~X11DesktopGrabber() override;

    void grab(QObject *context, Done done) override;

    // Whether the last grab went through shared memory (for tests and benchmarks).
    bool lastGrabUsedSharedMemory() const { return usedSharedMemory; }

private:
    QImage grabRoot(const QRect &area);

    std::unique_ptr<SharedImagePool> sharedMemory;  // null once the server has refused it
    static constexpr int spareDelayMs = 1000;
    QTimer spareAfterGrab;  // readies the next grab's memory once this one has been handed on
    bool usedSharedMemory = false;
};
