#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QVector>

#include <vector>

class QWidget;

// Holds the hot-key table's combinations system-wide for one window, whichever application has
// the focus. On X11 the combinations are passive grabs on the root window and a press arrives
// here as activated(id); on Windows they are registered on the window's native handle and the
// window's own nativeEvent receives them. Everything held is released when this object goes.
class GlobalHotKeys : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT

public:
    explicit GlobalHotKeys(QWidget *window);
    ~GlobalHotKeys() override;

    void grabAll();
    void releaseAll();
    // Ids of the combinations this process holds now; one that another client holds is missing.
    QVector<int> heldIds() const;

    bool nativeEventFilter(const QByteArray &eventType, void *message, long *result) override;

signals:
    void activated(int id);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // One combination held on X11: its key and every lock-modifier variant actually grabbed.
    struct Grab
    {
        int id = 0;
        unsigned int keycode = 0;
        std::vector<unsigned int> modifiers;
    };

    void grabOnX11();
    void releaseOnX11();
    bool dispatchX11KeyPress(const void *event);
    void grabAgainForNewKeyMap();
    void registerOnWindows();
    void unregisterOnWindows();

    QWidget *window;
    QVector<Grab> grabs;
    unsigned int lockMask = 0;
    unsigned int xkbEvent = 0;
    bool regrabPending = false;
    QVector<int> registeredIds;
    bool filtering = false;
};
