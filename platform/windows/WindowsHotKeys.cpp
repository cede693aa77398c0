#include "WindowsHotKeys.h"

#include "platform/HotKeyTable.h"

#include <QEvent>
#include <QWidget>

#include <windows.h>

WindowsHotKeys::WindowsHotKeys(QWidget *window)
    : GlobalHotKeys(window)
{
    window->installEventFilter(this);
}

WindowsHotKeys::~WindowsHotKeys()
{
    release();
}

void WindowsHotKeys::handleWindowMessage(const QByteArray &eventType, void *message)
{
    const auto *msg = static_cast<const MSG *>(message);
    if (const int id = windowsHotKeyId(eventType, msg->message, msg->wParam))
        emit activated(id);
}

bool WindowsHotKeys::eventFilter(QObject *watched, QEvent *event)
{
    // Qt replaces the native window when its flags change; the registrations died with the old
    // one. While the old one is torn down there is no window yet, and asking for one then would
    // force it early.
    if (watched == window && event->type() == QEvent::WinIdChange && !registeredIds.isEmpty()
        && window->internalWinId() != 0) {
        registeredIds.clear();
        grab();
    }
    return GlobalHotKeys::eventFilter(watched, event);
}

void WindowsHotKeys::grab()
{
    const auto handle = reinterpret_cast<HWND>(window->winId());
    for (const HotKey &hotKey : hotKeyTable()) {
        // No MOD_NOREPEAT: holding a combination repeats its action.
        if (RegisterHotKey(handle, hotKey.id, windowsHotKeyModifiers, UINT(hotKey.letter)))
            registeredIds.append(hotKey.id);
    }
}

void WindowsHotKeys::release()
{
    if (registeredIds.isEmpty())
        return;
    const auto handle = reinterpret_cast<HWND>(window->winId());
    for (int id : qAsConst(registeredIds))
        UnregisterHotKey(handle, id);
    registeredIds.clear();
}
