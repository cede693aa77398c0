#include "X11HotKeys.h"

#include "platform/HotKeyTable.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <QX11Info>
// Xlib's macros (None, KeyPress, Bool...) clash with Qt's names, so these come last.
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <xcb/xcb.h>

#include <cstdlib>

namespace {

constexpr unsigned int hotKeyModifiers = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1; // Ctrl+Alt
constexpr unsigned int keyModifierBits = 0xff; // the rest of a key event's state is mouse buttons

// The modifier that NumLock sets differs between keyboard maps; read it from the server.
unsigned int numLockMask(Display *display)
{
    const KeyCode numLock = XKeysymToKeycode(display, XK_Num_Lock);
    if (numLock == 0)
        return 0;
    XModifierKeymap *map = XGetModifierMapping(display);
    if (!map)
        return 0;
    unsigned int mask = 0;
    for (int modifier = 0; modifier < 8 && mask == 0; ++modifier) {
        for (int k = 0; k < map->max_keypermod; ++k) {
            if (map->modifiermap[modifier * map->max_keypermod + k] == numLock) {
                mask = 1u << modifier;
                break;
            }
        }
    }
    XFreeModifiermap(map);
    return mask;
}

// The keysym of a table letter: the lower-case letter's.
KeySym letterKeysym(char upperCaseLetter)
{
    return XK_a + KeySym(upperCaseLetter - 'A');
}

bool x11Available()
{
    return QX11Info::isPlatformX11() && QX11Info::connection() && QX11Info::display();
}

// The first event code of the XKB extension, whose notifications tell Qt's connection of a new
// keyboard map; 0 without XKB.
unsigned int xkbFirstEvent(xcb_connection_t *connection)
{
    static constexpr char name[] = "XKEYBOARD";
    xcb_query_extension_reply_t *reply = xcb_query_extension_reply(
        connection, xcb_query_extension(connection, sizeof(name) - 1, name), nullptr);
    const unsigned int first = reply && reply->present ? reply->first_event : 0;
    std::free(reply);
    return first;
}

// Whether an event says that keys or modifiers now mean something else: the core notification,
// or XKB's (which XKB clients such as Qt get instead).
bool isKeyboardMapChange(const xcb_generic_event_t *event, unsigned int xkbEvent)
{
    constexpr uint8_t xkbNewKeyboardNotify = 0;
    constexpr uint8_t xkbMapNotify = 1;
    const uint8_t type = event->response_type & 0x7f;
    if (type == XCB_MAPPING_NOTIFY)
        return reinterpret_cast<const xcb_mapping_notify_event_t *>(event)->request != XCB_MAPPING_POINTER;
    // An XKB event carries its own kind in the byte after the response type.
    return xkbEvent != 0 && type == xkbEvent
           && (event->pad0 == xkbNewKeyboardNotify || event->pad0 == xkbMapNotify);
}

// Xlib keeps its own copy of the key map, which only a mapping notification passed to it renews;
// Qt reads the events through xcb, so that copy is renewed here.
void forgetCachedKeyMap(Display *display)
{
    int minKeycode = 0;
    int maxKeycode = 0;
    XDisplayKeycodes(display, &minKeycode, &maxKeycode);
    XMappingEvent notification{};
    notification.type = MappingNotify;
    notification.display = display;
    notification.first_keycode = minKeycode;
    notification.count = maxKeycode - minKeycode + 1;
    for (int request : {MappingKeyboard, MappingModifier}) {
        notification.request = request;
        XRefreshKeyboardMapping(&notification);
    }
}

} // namespace

X11HotKeys::X11HotKeys(QWidget *window)
    : GlobalHotKeys(window)
{
    if (x11Available()) {
        QCoreApplication::instance()->installNativeEventFilter(this);
        filtering = true;
        xkbEvent = xkbFirstEvent(QX11Info::connection());
    }
}

X11HotKeys::~X11HotKeys()
{
    release();
    if (filtering && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

QVector<int> X11HotKeys::heldIds() const
{
    QVector<int> ids;
    for (const Grab &grab : grabs)
        ids.append(grab.id);
    return ids;
}

bool X11HotKeys::nativeEventFilter(const QByteArray &eventType, void *message, long *result)
{
    Q_UNUSED(result)
    if (eventType != "xcb_generic_event_t")
        return false;
    if (isKeyboardMapChange(static_cast<const xcb_generic_event_t *>(message), xkbEvent)) {
        // A new layout or a remapped key: the grabs name key codes, which may now carry other
        // letters. Taken again once the burst of notifications is over; Qt sees the event too.
        if (!grabs.isEmpty() && !regrabPending) {
            regrabPending = true;
            QMetaObject::invokeMethod(this, &X11HotKeys::grabAgainForNewKeyMap, Qt::QueuedConnection);
        }
        return false;
    }
    return dispatchKeyPress(message);
}

void X11HotKeys::grabAgainForNewKeyMap()
{
    regrabPending = false;
    if (grabs.isEmpty() || !x11Available())
        return;
    Display *display = QX11Info::display();
    forgetCachedKeyMap(display);
    // Most notifications change nothing that matters here: the server announces a "new"
    // keyboard whenever events start coming from another device (XTEST's, a second keyboard),
    // though its map is the same. Taking the keys again would leave a moment in which they are
    // not held, and a combination typed right then would go to the focused window instead.
    if (grabsMatchKeyMap(display))
        return;
    grabAll();
}

bool X11HotKeys::grabsMatchKeyMap(Display *display) const
{
    return lockMask == (XCB_MOD_MASK_LOCK | numLockMask(display)) && keycodesNow(display) == keycodesGrabbed;
}

QVector<unsigned int> X11HotKeys::keycodesNow(Display *display)
{
    QVector<unsigned int> keycodes;
    for (const HotKey &hotKey : hotKeyTable())
        keycodes.append(XKeysymToKeycode(display, letterKeysym(hotKey.letter)));
    return keycodes;
}

void X11HotKeys::grab()
{
    if (!x11Available())
        return;
    xcb_connection_t *connection = QX11Info::connection();
    Display *display = QX11Info::display();
    const xcb_window_t root = QX11Info::appRootWindow();
    const unsigned int numLock = numLockMask(display);
    lockMask = XCB_MOD_MASK_LOCK | numLock;
    const std::vector<unsigned int> variants =
        withLockModifiers(hotKeyModifiers, XCB_MOD_MASK_LOCK, numLock);
    // Every letter's key as it was when grabbed, those that are missing or held by others too.
    keycodesGrabbed = keycodesNow(display);

    for (const HotKey &hotKey : hotKeyTable()) {
        const KeyCode keycode = XKeysymToKeycode(display, letterKeysym(hotKey.letter));
        if (keycode == 0)
            continue;
        // Checked requests: a combination another client holds answers BadAccess here, where we
        // expect it, instead of in Qt's error handler, which would print it.
        std::vector<xcb_void_cookie_t> cookies;
        for (unsigned int modifiers : variants)
            cookies.push_back(xcb_grab_key_checked(connection, 0, root, uint16_t(modifiers), keycode,
                                                   XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        Grab grab;
        grab.id = hotKey.id;
        grab.keycode = keycode;
        bool refused = false;
        for (std::size_t i = 0; i < cookies.size(); ++i) {
            if (xcb_generic_error_t *error = xcb_request_check(connection, cookies[i])) {
                std::free(error);
                refused = true;
            } else {
                grab.modifiers.push_back(variants[i]);
            }
        }
        if (refused) {
            // Half a combination would work only in some lock states: give it up entirely.
            for (unsigned int modifiers : grab.modifiers)
                xcb_ungrab_key(connection, keycode, root, uint16_t(modifiers));
            continue;
        }
        grabs.append(grab);
    }
    xcb_flush(connection);
}

void X11HotKeys::release()
{
    if (grabs.isEmpty())
        return;
    if (x11Available()) {
        xcb_connection_t *connection = QX11Info::connection();
        const xcb_window_t root = QX11Info::appRootWindow();
        for (const Grab &grab : qAsConst(grabs)) {
            for (unsigned int modifiers : grab.modifiers)
                xcb_ungrab_key(connection, xcb_keycode_t(grab.keycode), root, uint16_t(modifiers));
        }
        // Flushed now: the process may be about to end, and others should get the keys at once.
        xcb_flush(connection);
    }
    grabs.clear();
}

bool X11HotKeys::dispatchKeyPress(const void *event)
{
    const auto *generic = static_cast<const xcb_generic_event_t *>(event);
    if ((generic->response_type & 0x7f) != XCB_KEY_PRESS)
        return false;
    const auto *press = static_cast<const xcb_key_press_event_t *>(event);
    const unsigned int modifiers = press->state & keyModifierBits & ~lockMask;
    if (modifiers != hotKeyModifiers)
        return false;
    for (const Grab &grab : qAsConst(grabs)) {
        if (grab.keycode != press->detail)
            continue;
        // Auto-repeat of a held combination arrives as further presses. One that the server sent
        // while the last press was still being handled (a large capture, say) waited in the
        // queue: it is dropped, so a held key never piles up work. The others count.
        if (press->time - lastPressTime < lastPressBusyMs)
            return true;
        QElapsedTimer handling;
        handling.start();
        emit activated(grab.id);
        lastPressTime = press->time;
        lastPressBusyMs = static_cast<unsigned int>(handling.elapsed());
        return true;
    }
    return false;
}
