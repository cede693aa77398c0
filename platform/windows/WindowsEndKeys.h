#pragma once

#include "platform/EndKeys.h"

#include <QAbstractNativeEventFilter>

// Enter and Esc registered with RegisterHotKey for the GUI thread itself (no window), so that
// Windows posts them to the thread whichever program has the focus; a key another program holds
// already is left to it, and the bar answers it while it has the focus.
class WindowsEndKeys : public EndKeys, public QAbstractNativeEventFilter
{
    Q_OBJECT

public:
    // The registrations' ids: apart from the panel's hot keys (1 to 4), within the range an
    // application may use.
    static constexpr int enterId = 0xB001;
    static constexpr int escapeId = 0xB002;

    explicit WindowsEndKeys(QObject *parent);
    ~WindowsEndKeys() override;

    bool nativeEventFilter(const QByteArray &eventType, void *message, long *result) override;

private:
    bool enterHeld = false;
    bool escapeHeld = false;
};
