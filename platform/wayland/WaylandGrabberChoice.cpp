#include "WaylandGrabberChoice.h"

#include "platform/wayland/GrimDesktopGrabber.h"
#include "platform/wayland/KWinDesktopGrabber.h"
#include "platform/wayland/PortalDesktopGrabber.h"
#ifdef TAVO_WAYLAND_SCREENCOPY
#include "platform/wayland/ScreencopyDesktopGrabber.h"
#endif

std::unique_ptr<DesktopGrabber> waylandDesktopGrabber()
{
    auto grim = std::make_shared<GrimDesktopGrabber>();
    auto portal = std::make_shared<PortalDesktopGrabber>(grim->isAvailable() ? grim : nullptr);
#ifdef TAVO_WAYLAND_SCREENCOPY
    if (std::unique_ptr<DesktopGrabber> screencopy = ScreencopyDesktopGrabber::connect(portal))
        return screencopy;
#endif
    if (KWinDesktopGrabber::isRunning())
        return std::make_unique<KWinDesktopGrabber>(portal);
    return std::make_unique<PortalDesktopGrabber>(grim->isAvailable() ? grim : nullptr);
}
