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
    // Qt announces both the end of a native window and the arrival of its successor. The keys
    // move once the event loop runs again: until then the old window may still hold them, and a
    // window in the middle of being torn down must not be handed a new one.
    if (watched == window && event->type() == QEvent::WinIdChange && wanted && !followPending) {
        followPending = true;
        QMetaObject::invokeMethod(this, &WindowsHotKeys::followNewWindow, Qt::QueuedConnection);
    }
    return GlobalHotKeys::eventFilter(watched, event);
}

void WindowsHotKeys::followNewWindow()
{
    followPending = false;
    if (!wanted)
        return;
    // Even a handle that looks unchanged may name a new window, so the keys are always taken anew.
    unregisterFromPreviousWindow();
    registerOnCurrentWindow();
}

void WindowsHotKeys::grab()
{
    wanted = true;
    registerOnCurrentWindow();
}

void WindowsHotKeys::release()
{
    wanted = false;
    unregisterFromPreviousWindow();
}

void WindowsHotKeys::registerOnCurrentWindow()
{
    // winId() makes a native window where the widget has none (after Alt+F4): a hidden one, which
    // showing the widget later takes over.
    const auto handle = reinterpret_cast<HWND>(window->winId());
    registeredOn = quintptr(handle);
    for (const HotKey &hotKey : hotKeyTable()) {
        // No MOD_NOREPEAT: holding a combination repeats its action.
        if (RegisterHotKey(handle, hotKey.id, windowsHotKeyModifiers, UINT(hotKey.letter)))
            registeredIds.append(hotKey.id);
    }
}

void WindowsHotKeys::unregisterFromPreviousWindow()
{
    // A window that is gone took its registrations with it; unregistering then fails harmlessly.
    const auto handle = reinterpret_cast<HWND>(registeredOn);
    for (int id : qAsConst(registeredIds))
        UnregisterHotKey(handle, id);
    registeredIds.clear();
    registeredOn = 0;
}
