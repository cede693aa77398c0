// The back ends of a Windows build.
#include "platform/ClipboardKeeper.h"
#include "platform/DelayedWithdrawal.h"
#include "platform/DesktopGrabber.h"
#include "platform/GlobalHotKeys.h"
#include "platform/KeepAbove.h"
#include "platform/NoGlobalHotKeys.h"
#include "platform/QtDesktopGrabber.h"
#include "platform/SoundOutput.h"
#include "platform/StartUp.h"
#include "platform/WindowList.h"
#include "platform/windows/WindowsHotKeys.h"
#include "platform/windows/WindowsWindowList.h"

#include <QGuiApplication>
#include <QObject>
#include <QWidget>

#include <windows.h>

#include <cstdio>

GlobalHotKeys *GlobalHotKeys::create(QWidget *window)
{
    // Only the Windows platform gives windows a real handle to register the keys on.
    if (QGuiApplication::platformName() == QLatin1String("windows"))
        return new WindowsHotKeys(window);
    return new NoGlobalHotKeys(window);
}

std::unique_ptr<DesktopGrabber> DesktopGrabber::forThisSession()
{
    // The toolkit grabs each screen's part of the desktop window; the parts are put together.
    return std::make_unique<QtDesktopGrabber>();
}

std::unique_ptr<WindowWithdrawal> WindowWithdrawal::forThisSession()
{
    // A hidden window leaves the screen with the compositor's next frames.
    return std::make_unique<DelayedWithdrawal>();
}

std::unique_ptr<WindowList> WindowList::forThisSession()
{
    return std::make_unique<WindowsWindowList>();
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

bool hasGraphicalDesktop()
{
    // A Windows session always has its desktop.
    return true;
}

bool soundCanPlay()
{
    // The media back end plays to the default device, or stays silent without one, on its own.
    return true;
}

bool clipboardKeptAfterExit()
{
    // Qt renders every format into the system clipboard as the application ends.
    return true;
}

void useParentConsoleForOutput()
{
    // A GUI-subsystem program gets no console; started from one, it may write to it.
    if (AttachConsole(ATTACH_PARENT_PROCESS)) {
        std::freopen("CONOUT$", "w", stdout);
        std::freopen("CONOUT$", "w", stderr);
    }
}

void keepAboveOtherWindows(QWidget *window)
{
    // A topmost window (HWND_TOPMOST), above every window that is not topmost itself.
    window->setWindowFlag(Qt::WindowStaysOnTopHint);
}
