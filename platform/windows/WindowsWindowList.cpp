#include "WindowsWindowList.h"

#include <windows.h>

#include <dwmapi.h>

namespace {

// Windows hidden by the desktop window manager although "visible": those of other virtual
// desktops and suspended store apps.
bool isCloaked(HWND window)
{
    DWORD cloaked = 0;
    return SUCCEEDED(DwmGetWindowAttribute(window, DWMWA_CLOAKED, &cloaked, sizeof cloaked)) && cloaked != 0;
}

QRect frameOf(HWND window)
{
    // The window rectangle holds borders drawn invisible since Windows 10; the desktop window
    // manager's bounds are what the screen shows. Without composition (Wine), the rectangle.
    RECT bounds{};
    if (FAILED(DwmGetWindowAttribute(window, DWMWA_EXTENDED_FRAME_BOUNDS, &bounds, sizeof bounds))
        && !GetWindowRect(window, &bounds))
        return QRect();
    return QRect(QPoint(bounds.left, bounds.top), QPoint(bounds.right - 1, bounds.bottom - 1));
}

QString titleOf(HWND window)
{
    wchar_t text[256];
    const int length = GetWindowTextW(window, text, int(sizeof text / sizeof text[0]));
    return QString::fromWCharArray(text, qMax(0, length));
}

bool isOurs(HWND window)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process == GetCurrentProcessId();
}

std::optional<WindowFrame> shownFrame(HWND window)
{
    if (!IsWindowVisible(window) || IsIconic(window) || isCloaked(window) || window == GetShellWindow())
        return std::nullopt;
    WindowFrame frame{frameOf(window), titleOf(window)};
    const bool toolWindow = (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0;
    if (frame.area.isEmpty() || (toolWindow && frame.title.isEmpty()))
        return std::nullopt;
    return frame;
}

BOOL CALLBACK addWindow(HWND window, LPARAM frames)
{
    if (!isOurs(window)) {
        if (const std::optional<WindowFrame> frame = shownFrame(window))
            reinterpret_cast<QVector<WindowFrame> *>(frames)->append(*frame);
    }
    return TRUE;
}

} // namespace

QVector<WindowFrame> WindowsWindowList::windows()
{
    QVector<WindowFrame> frames;
    EnumWindows(addWindow, reinterpret_cast<LPARAM>(&frames));
    return frames;
}

std::optional<WindowFrame> WindowsWindowList::activeWindow()
{
    const HWND window = GetForegroundWindow();
    if (!window || !IsWindowVisible(window) || IsIconic(window))
        return std::nullopt;
    return WindowFrame{frameOf(window), titleOf(window)};
}
