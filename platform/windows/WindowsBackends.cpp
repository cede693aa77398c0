// The back ends of a Windows build.
#include "platform/ClipboardKeeper.h"
#include "platform/DelayedWithdrawal.h"
#include "platform/DesktopGrabber.h"
#include "platform/EndKeys.h"
#include "platform/GlobalHotKeys.h"
#include "platform/KeepAbove.h"
#include "platform/NoGlobalHotKeys.h"
#include "platform/PageScroller.h"
#include "platform/QtDesktopGrabber.h"
#include "platform/SoundOutput.h"
#include "platform/StartUp.h"
#include "platform/WindowList.h"
#include "platform/windows/WindowsEndKeys.h"
#include "platform/windows/WindowsHotKeys.h"
#include "platform/windows/WindowsWindowList.h"

#include <QGuiApplication>
#include <QObject>
#include <QPoint>
#include <QWidget>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

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

namespace {

// The wheel through SendInput, in one batch with the moves to the point and back, so that the
// system handles them in order whatever else comes meanwhile.
class WindowsPageScroller : public PageScroller
{
public:
    bool canScroll() const override { return true; }

    void scrollDown(const QPoint &devicePoint, int notches) override
    {
        POINT before{};
        const bool known = GetCursorPos(&before);
        std::vector<INPUT> inputs;
        inputs.push_back(moveTo(devicePoint.x(), devicePoint.y()));
        for (int i = 0; i < notches; ++i) {
            INPUT wheel{};
            wheel.type = INPUT_MOUSE;
            wheel.mi.dwFlags = MOUSEEVENTF_WHEEL;
            wheel.mi.mouseData = static_cast<DWORD>(-WHEEL_DELTA);
            inputs.push_back(wheel);
        }
        if (known)
            inputs.push_back(moveTo(before.x, before.y));
        SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT));
    }

private:
    // An absolute move: the virtual desktop is 0 to 65535 both ways.
    static INPUT moveTo(int x, int y)
    {
        const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
        const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
        const int width = std::max(1, GetSystemMetrics(SM_CXVIRTUALSCREEN) - 1);
        const int height = std::max(1, GetSystemMetrics(SM_CYVIRTUALSCREEN) - 1);
        INPUT move{};
        move.type = INPUT_MOUSE;
        move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
        move.mi.dx = LONG((x - left) * 65535LL / width);
        move.mi.dy = LONG((y - top) * 65535LL / height);
        return move;
    }
};

}  // namespace

std::unique_ptr<PageScroller> PageScroller::forThisSession()
{
    return std::make_unique<WindowsPageScroller>();
}

EndKeys *EndKeys::create(QObject *parent)
{
    return new WindowsEndKeys(parent);
}
