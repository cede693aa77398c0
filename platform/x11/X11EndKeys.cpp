#include "X11EndKeys.h"

#include "platform/HotKeyTable.h"

#include <QCoreApplication>
#include <QX11Info>
// Xlib's macros clash with Qt's names, so these come last.
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>

namespace {

unsigned int numLockModifier(Display *display)
{
    const KeyCode numLock = XKeysymToKeycode(display, XK_Num_Lock);
    XModifierKeymap *map = numLock ? XGetModifierMapping(display) : nullptr;
    if (!map)
        return 0;
    unsigned int mask = 0;
    for (int modifier = 0; modifier < 8 && mask == 0; ++modifier)
        for (int k = 0; k < map->max_keypermod; ++k)
            if (map->modifiermap[modifier * map->max_keypermod + k] == numLock)
                mask = 1u << modifier;
    XFreeModifiermap(map);
    return mask;
}

}  // namespace

X11EndKeys::X11EndKeys(QObject *parent)
    : EndKeys(parent)
{
    if (!QX11Info::isPlatformX11() || !QX11Info::display())
        return;
    Display *display = QX11Info::display();
    xcb_connection_t *connection = QX11Info::connection();
    const xcb_window_t root = QX11Info::appRootWindow();
    enterKeycode = XKeysymToKeycode(display, XK_Return);
    keypadEnterKeycode = XKeysymToKeycode(display, XK_KP_Enter);
    escapeKeycode = XKeysymToKeycode(display, XK_Escape);
    const std::vector<unsigned int> variants = withLockModifiers(0, XCB_MOD_MASK_LOCK, numLockModifier(display));
    for (unsigned int keycode : {enterKeycode, keypadEnterKeycode, escapeKeycode}) {
        if (keycode == 0)
            continue;
        for (unsigned int modifiers : variants) {
            const xcb_void_cookie_t cookie = xcb_grab_key_checked(connection, 0, root, uint16_t(modifiers),
                                                                  xcb_keycode_t(keycode), XCB_GRAB_MODE_ASYNC,
                                                                  XCB_GRAB_MODE_ASYNC);
            if (xcb_generic_error_t *error = xcb_request_check(connection, cookie))
                std::free(error);
            else
                held.append({keycode, modifiers});
        }
    }
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11EndKeys::~X11EndKeys()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
    if (held.isEmpty() || !QX11Info::connection())
        return;
    xcb_connection_t *connection = QX11Info::connection();
    const xcb_window_t root = QX11Info::appRootWindow();
    for (const Held &key : qAsConst(held))
        xcb_ungrab_key(connection, xcb_keycode_t(key.keycode), root, uint16_t(key.modifiers));
    // Flushed now, so that the focused program gets Enter and Esc back at once.
    xcb_flush(connection);
}

bool X11EndKeys::nativeEventFilter(const QByteArray &eventType, void *message, long *result)
{
    Q_UNUSED(result)
    if (eventType != "xcb_generic_event_t" || held.isEmpty())
        return false;
    const auto *generic = static_cast<const xcb_generic_event_t *>(message);
    if ((generic->response_type & 0x7f) != XCB_KEY_PRESS)
        return false;
    const auto *press = static_cast<const xcb_key_press_event_t *>(message);
    // Only a press this grab delivered: any other modifier than the locks makes it someone else's.
    const auto grabbed = std::find_if(held.cbegin(), held.cend(), [press](const Held &key) {
        return key.keycode == press->detail && key.modifiers == (press->state & 0xff);
    });
    if (grabbed == held.cend())
        return false;
    if (press->detail == escapeKeycode)
        emit escapePressed();
    else
        emit enterPressed();
    return true;
}
