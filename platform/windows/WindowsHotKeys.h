#pragma once

#include "platform/GlobalHotKeys.h"

// The hot keys registered with RegisterHotKey on the window's native handle. Windows posts them
// to that window, whose nativeEvent hands them to handleWindowMessage. A registration dies with
// its native window, and Qt replaces or drops that window behind the widget's back (new flags, or
// a close by the window system, Alt+F4, which destroys it): the keys then move to the widget's
// new native window, made at once if the widget has none, so they keep working while it is hidden.
class WindowsHotKeys : public GlobalHotKeys
{
    Q_OBJECT

public:
    explicit WindowsHotKeys(QWidget *window);
    ~WindowsHotKeys() override;

    QVector<int> heldIds() const override { return registeredIds; }
    void handleWindowMessage(const QByteArray &eventType, void *message) override;

protected:
    void grab() override;
    void release() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void registerOnCurrentWindow();
    void unregisterFromPreviousWindow();
    void followNewWindow();

    QVector<int> registeredIds;
    quintptr registeredOn = 0; // the native handle the ids are registered on
    bool wanted = false;       // between grab() and release()
    bool followPending = false;
};
