#pragma once

#include <QRect>
#include <QString>
#include <QVector>

#include <memory>
#include <optional>

class QScreen;

// One top-level window as the desktop shows it.
struct WindowFrame
{
    // The visible outer frame: the window manager's decorations included, client-side shadows
    // left out, in the window system's coordinates (see windowSystemArea()). Not clipped to the
    // screens.
    QRect area;
    QString title;
};

// Where `screen` lies in the coordinates window frames are given in: device pixels where the
// window system counts in them (X11, Windows), the compositor's logical layout on Wayland.
QRect windowSystemArea(const QScreen *screen);

// The windows on the desktop, for snapping a region to one and for capturing the active one.
class WindowList
{
public:
    // The back end for the window system the application runs on; null where it tells no
    // program where the windows are (GNOME on Wayland). Call after the application object exists.
    static std::unique_ptr<WindowList> forThisSession();

    virtual ~WindowList() = default;

    // The windows on the screen now, top first in stacking order, leaving out the program's own
    // and hidden or minimised ones. Empty when the window system does not answer.
    virtual QVector<WindowFrame> windows() = 0;
    // The window that has the keyboard focus; none when no window has it or the window system
    // does not tell.
    virtual std::optional<WindowFrame> activeWindow() = 0;
};
