#pragma once

#include "platform/EndKeys.h"

#include <QAbstractNativeEventFilter>
#include <QVector>

// Enter (both keys) and Esc as passive grabs on the root window, for every state of the lock
// keys and no other modifier; a grab another client holds already is left to it.
class X11EndKeys : public EndKeys, public QAbstractNativeEventFilter
{
    Q_OBJECT

public:
    explicit X11EndKeys(QObject *parent);
    ~X11EndKeys() override;

    bool nativeEventFilter(const QByteArray &eventType, void *message, long *result) override;

private:
    struct Held
    {
        unsigned int keycode = 0;
        unsigned int modifiers = 0;
    };

    QVector<Held> held;
    unsigned int enterKeycode = 0;
    unsigned int keypadEnterKeycode = 0;
    unsigned int escapeKeycode = 0;
};
