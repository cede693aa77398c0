#pragma once

#include <memory>

class QPoint;

// Turns the mouse wheel for the window under a point of the screen, as if the user did, so that a
// long screenshot can scroll the page by itself. X11 fakes the wheel through XTEST, Windows
// through SendInput, wlroots compositors (sway) take a virtual pointer; elsewhere (KWin, GNOME)
// nothing scrolls and the user turns the wheel by hand.
class PageScroller
{
public:
    // The back end for the window system the application runs on. Call after the application
    // object exists.
    static std::unique_ptr<PageScroller> forThisSession();

    virtual ~PageScroller() = default;

    // Whether scrollDown does anything here.
    virtual bool canScroll() const = 0;
    // Turns the wheel `notches` notches towards the page's end with the pointer at `devicePoint`
    // (device pixels of the desktop); the pointer goes back where it was, or to the resting
    // place where the window system does not tell that.
    virtual void scrollDown(const QPoint &devicePoint, int notches) = 0;
    // Where the window system does not tell where the pointer was (Wayland), moves it to
    // `devicePoint` now and back there after each turn of the wheel; elsewhere the pointer stays
    // the user's.
    virtual void restPointerAt(const QPoint &devicePoint) { (void)devicePoint; }
};

// Where no program may turn the wheel.
class NoPageScroller : public PageScroller
{
public:
    bool canScroll() const override { return false; }
    void scrollDown(const QPoint &, int) override {}
};
