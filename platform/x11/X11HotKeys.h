#pragma once

#include "platform/GlobalHotKeys.h"

#include <QAbstractNativeEventFilter>

#include <vector>

struct _XDisplay; // Xlib's Display, without Xlib's macros in every includer

// The hot keys as passive grabs on the X root window, for every state of the lock keys. The key
// presses come through Qt's connection and are picked out by a native event filter; a new
// keyboard map has them grabbed again, since grabs name key codes.
class X11HotKeys : public GlobalHotKeys, public QAbstractNativeEventFilter
{
    Q_OBJECT

public:
    explicit X11HotKeys(QWidget *window);
    ~X11HotKeys() override;

    QVector<int> heldIds() const override;

    bool nativeEventFilter(const QByteArray &eventType, void *message, long *result) override;

protected:
    void grab() override;
    void release() override;

private:
    // One combination held: its key and every lock-modifier variant actually grabbed.
    struct Grab
    {
        int id = 0;
        unsigned int keycode = 0;
        std::vector<unsigned int> modifiers;
    };

    bool dispatchKeyPress(const void *event);
    // Whether every letter of the table is on the key it was on when the keys were grabbed, and
    // the lock modifiers are the ones grabbed with.
    bool grabsMatchKeyMap(_XDisplay *display) const;
    // The key code of each letter of the table, in table order; 0 for a letter on no key.
    static QVector<unsigned int> keycodesNow(_XDisplay *display);
    void grabAgainForNewKeyMap();

    QVector<Grab> grabs;
    QVector<unsigned int> keycodesGrabbed;
    // The server time of the last press handled and how long handling it took, in milliseconds.
    unsigned int lastPressTime = 0;
    unsigned int lastPressBusyMs = 0;
    unsigned int lockMask = 0;
    unsigned int xkbEvent = 0;
    bool regrabPending = false;
    bool filtering = false;
};
