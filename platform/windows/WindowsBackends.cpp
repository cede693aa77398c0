// The back ends of a Windows build.
#include "platform/DesktopGrabber.h"
#include "platform/GlobalHotKeys.h"
#include "platform/NoGlobalHotKeys.h"
#include "platform/StartUp.h"
#include "platform/windows/WindowsDesktopGrabber.h"
#include "platform/windows/WindowsHotKeys.h"

#include <QGuiApplication>
#include <QObject>

GlobalHotKeys *GlobalHotKeys::create(QWidget *window)
{
    // Only the Windows platform gives windows a real handle to register the keys on.
    if (QGuiApplication::platformName() == QLatin1String("windows"))
        return new WindowsHotKeys(window);
    return new NoGlobalHotKeys(window);
}

std::unique_ptr<DesktopGrabber> DesktopGrabber::forThisSession()
{
    return std::make_unique<WindowsDesktopGrabber>();
}

std::unique_ptr<QObject> exitOnTerminationRequests()
{
    // The session's end reaches the application as a window message that Qt handles itself.
    return nullptr;
}

void useProgramIconForWindows()
{
    // The executable's icon resource (IDI_ICON1) is every window's default icon already.
}
