#pragma once

#include "platform/DesktopGrabber.h"

#include <QDBusConnection>
#include <QVariantMap>

// The desktop through the Screenshot portal, the way a Wayland desktop hands it to a client: a
// request without the portal's dialog, answered later with a file. Where no portal offers
// screenshots at all, the fallback (if any) takes the picture instead.
class PortalDesktopGrabber : public DesktopGrabber
{
public:
    // Long enough for a desktop that asks the user once whether screenshots are allowed.
    static constexpr int defaultTimeoutMs = 20000;

    explicit PortalDesktopGrabber(std::shared_ptr<DesktopGrabber> fallback = nullptr,
                                  const QDBusConnection &bus = QDBusConnection::sessionBus(),
                                  int timeoutMs = defaultTimeoutMs);

    void grab(QObject *context, Done done) override;

private:
    std::shared_ptr<DesktopGrabber> fallback;
    QDBusConnection bus;
    int timeoutMs;
};

// The picture a Screenshot answer points to, read from its file. The file is removed afterwards
// when it lies in a temporary folder: it was made for this request alone.
DesktopPicture pictureFromScreenshotAnswer(uint response, const QVariantMap &results);

// Whether an existing file lies, after resolving links, inside the temporary folder, /tmp or
// the user's runtime folder.
bool liesInTemporaryFolder(const QString &path);
