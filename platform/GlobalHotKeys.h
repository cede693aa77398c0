#pragma once

#include <QObject>
#include <QVector>

class QByteArray;
class QWidget;

// The hot-key table's combinations held system-wide for one window, whichever application has
// the focus. A press arrives as activated(id) with the table's id. Everything held is released
// when this object goes.
class GlobalHotKeys : public QObject
{
    Q_OBJECT

public:
    // The back end for the window system the application runs on, a child of `window`; where
    // the system offers no way to hold keys, one that holds none. Call after the application
    // object exists.
    static GlobalHotKeys *create(QWidget *window);

    void grabAll();
    void releaseAll();
    // Ids of the combinations this process holds now; one that another client holds is missing.
    virtual QVector<int> heldIds() const = 0;

    // A native message that reached the window (its nativeEvent): where the system delivers hot
    // keys to the window that registered them, they are recognised here. Never consumes it.
    virtual void handleWindowMessage(const QByteArray &eventType, void *message);

signals:
    void activated(int id);

protected:
    explicit GlobalHotKeys(QWidget *window);

    virtual void grab() = 0;
    virtual void release() = 0;

    QWidget *const window;
};
