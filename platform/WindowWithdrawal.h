#pragma once

#include <functional>
#include <memory>

class QWidget;

// Takes a window of ours off the screen before the desktop is grabbed, and says when the screen
// no longer shows it: hiding only asks the window system, which removes the window and lets the
// windows below repaint a little later. How to know (or how long to wait) is the window system's.
class WindowWithdrawal
{
public:
    using Gone = std::function<void()>;

    // The back end for the window system the application runs on. Call after the application
    // object exists.
    static std::unique_ptr<WindowWithdrawal> forThisSession();

    virtual ~WindowWithdrawal() = default;

    // Watches `window` from now on, for back ends that must know when it came on the screen. Call
    // before the window is first shown, for each window that hide() will be given.
    virtual void follow(QWidget *window);

    // Hides `window` and calls `gone` once it has left the screen, later from the event loop and
    // within about a third of a second whatever happens. A window that is not shown calls `gone`
    // at once. Not called once `window` itself is gone.
    virtual void hide(QWidget *window, Gone gone) = 0;

    // Milliseconds of one frame on the window's screen, which windows that were uncovered get to
    // repaint themselves.
    static int frameInterval(const QWidget *window);
};
