// The back ends of a Windows build.
#include "platform/DelayedWithdrawal.h"
#include "platform/DesktopGrabber.h"
#include "platform/GlobalHotKeys.h"
#include "platform/QtDesktopGrabber.h"
#include "platform/StartUp.h"
#include "platform/windows/WindowsHotKeys.h"

#include <QObject>

GlobalHotKeys *GlobalHotKeys::create(QWidget *window)
{
    return new WindowsHotKeys(window);
}

std::unique_ptr<DesktopGrabber> DesktopGrabber::forThisSession()
{
    // The toolkit grabs the desktop window.
    return std::make_unique<QtDesktopGrabber>();
}

std::unique_ptr<WindowWithdrawal> WindowWithdrawal::forThisSession()
{
    // A hidden window leaves the screen with the compositor's next frames.
    return std::make_unique<DelayedWithdrawal>();
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
