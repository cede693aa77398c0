#include "WindowsEndKeys.h"

#include <QCoreApplication>

#include <windows.h>

WindowsEndKeys::WindowsEndKeys(QObject *parent)
    : EndKeys(parent)
{
    // Held keys repeat as WM_HOTKEY too: one press, one action.
    enterHeld = RegisterHotKey(nullptr, enterId, MOD_NOREPEAT, VK_RETURN);
    escapeHeld = RegisterHotKey(nullptr, escapeId, MOD_NOREPEAT, VK_ESCAPE);
    QCoreApplication::instance()->installNativeEventFilter(this);
}

WindowsEndKeys::~WindowsEndKeys()
{
    QCoreApplication::instance()->removeNativeEventFilter(this);
    if (enterHeld)
        UnregisterHotKey(nullptr, enterId);
    if (escapeHeld)
        UnregisterHotKey(nullptr, escapeId);
}

bool WindowsEndKeys::nativeEventFilter(const QByteArray &eventType, void *message, long *)
{
    if (eventType != "windows_generic_MSG")
        return false;
    const MSG *msg = static_cast<const MSG *>(message);
    // Posted to the thread, not to a window of ours.
    if (msg->message != WM_HOTKEY || msg->hwnd != nullptr)
        return false;
    if (msg->wParam == WPARAM(enterId) && enterHeld) {
        emit enterPressed();
        return true;
    }
    if (msg->wParam == WPARAM(escapeId) && escapeHeld) {
        emit escapePressed();
        return true;
    }
    return false;
}
