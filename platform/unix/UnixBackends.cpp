// The back ends of a Unix build: X11 where the application runs on xcb, the desktop portals on
// Wayland, the toolkit's own services elsewhere.
#include "platform/DelayedWithdrawal.h"
#include "platform/DesktopGrabber.h"
#include "platform/GlobalHotKeys.h"
#include "platform/QtDesktopGrabber.h"
#include "platform/StartUp.h"
#include "platform/WindowWithdrawal.h"
#include "platform/unix/UnixSignalExit.h"
#include "platform/wayland/GrimDesktopGrabber.h"
#include "platform/wayland/PortalDesktopGrabber.h"
#include "platform/wayland/PortalHotKeys.h"
#include "platform/x11/X11DesktopGrabber.h"
#include "platform/x11/X11HotKeys.h"
#include "platform/x11/X11WindowWithdrawal.h"

#include <QGuiApplication>
#include <QIcon>

namespace {

bool onX11()
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

bool onWayland()
{
    // "wayland", or "wayland-egl" and the like
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

// Where no key can be held system-wide: the hot keys are simply not there.
class NoGlobalHotKeys : public GlobalHotKeys
{
public:
    using GlobalHotKeys::GlobalHotKeys;
    QVector<int> heldIds() const override { return {}; }

protected:
    void grab() override {}
    void release() override {}
};

} // namespace

GlobalHotKeys *GlobalHotKeys::create(QWidget *window)
{
    if (onX11())
        return new X11HotKeys(window);
    if (onWayland())
        return new PortalHotKeys(window);
    return new NoGlobalHotKeys(window);
}

std::unique_ptr<DesktopGrabber> DesktopGrabber::forThisSession()
{
    if (onX11())
        return std::make_unique<X11DesktopGrabber>();
    // A Wayland client sees no screen but its own windows: the desktop hands the picture over
    // through its portal, or grim takes it on compositors that run none.
    if (onWayland()) {
        auto grim = std::make_shared<GrimDesktopGrabber>();
        return std::make_unique<PortalDesktopGrabber>(grim->isAvailable() ? grim : nullptr);
    }
    return std::make_unique<QtDesktopGrabber>();
}

std::unique_ptr<WindowWithdrawal> WindowWithdrawal::forThisSession()
{
    if (onX11())
        return std::make_unique<X11WindowWithdrawal>();
    return std::make_unique<DelayedWithdrawal>();
}

std::unique_ptr<QObject> exitOnTerminationRequests()
{
    return std::make_unique<UnixSignalExit>();
}

void useProgramIconForWindows()
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/resources/icons/tavo-screenshot-32.png"));
    icon.addFile(QStringLiteral(":/resources/icons/tavo-screenshot-256.png"));
    QGuiApplication::setWindowIcon(icon);
}
