#pragma once

#include "platform/DesktopGrabber.h"

#include <QDBusConnection>

#include <memory>

// The desktop straight from KWin (KDE Plasma) through its ScreenShot2 interface: the raw pixels
// of the whole workspace at the largest output scale, written into a pipe, with no picture file
// in between. KWin answers only programs whose desktop entry names the interface in
// X-KDE-DBUS-Restricted-Interfaces and whose Exec is the program's own path; where it does not
// (a program run from its build folder, an older KWin) the fallback takes the picture.
class KWinDesktopGrabber : public DesktopGrabber
{
public:
    static constexpr int defaultTimeoutMs = 10000;
    static constexpr const char *service = "org.kde.KWin";

    explicit KWinDesktopGrabber(std::shared_ptr<DesktopGrabber> fallback = nullptr,
                                const QDBusConnection &bus = QDBusConnection::sessionBus(),
                                int timeoutMs = defaultTimeoutMs);

    // Whether KWin runs on this bus.
    static bool isRunning(const QDBusConnection &bus = QDBusConnection::sessionBus());

    void grab(QObject *context, Done done) override;

private:
    std::shared_ptr<DesktopGrabber> fallback;
    QDBusConnection bus;
    int timeoutMs;
};
