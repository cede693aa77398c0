#pragma once

#include "platform/GlobalHotKeys.h"

// Where no key can be held system-wide (a window system without a way to, or Qt's offscreen
// platform, whose windows have no native handle): the hot keys are simply not there.
class NoGlobalHotKeys : public GlobalHotKeys
{
public:
    using GlobalHotKeys::GlobalHotKeys;
    QVector<int> heldIds() const override { return {}; }

protected:
    void grab() override {}
    void release() override {}
};
