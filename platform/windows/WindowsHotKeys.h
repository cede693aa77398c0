#pragma once

#include "platform/GlobalHotKeys.h"

// The hot keys registered with RegisterHotKey on the window's native handle. Windows posts them
// to that window, whose nativeEvent hands them to handleWindowMessage. A registration dies with
// its native window, so a replaced window (new flags, or one the window system closed) is
// registered anew.
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
    QVector<int> registeredIds;
};
