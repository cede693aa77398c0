#pragma once

#include "platform/PageScroller.h"

// The wheel as XTEST button 5 clicks, sent with the pointer moved to the point for them.
class X11PageScroller : public PageScroller
{
public:
    bool canScroll() const override;
    void scrollDown(const QPoint &devicePoint, int notches) override;
};
