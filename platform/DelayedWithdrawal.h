#pragma once

#include "WindowWithdrawal.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>

// Where the window system tells us nothing about its windows: hides the window and waits for two
// frames, in which a compositor has put the desktop without it on the screen. Compositors animate
// a window's coming: GNOME Shell grows and fades it in for 150 ms from its first frame, and a
// window that goes meanwhile stays drawn, whole, until the animation has run. A window shown only
// just before (the panel coming back as the next capture is asked for) is waited for until its
// opening time is over.
class DelayedWithdrawal : public QObject, public WindowWithdrawal
{
public:
    // From the window's showing: its first frame on the screen and the longest opening animation.
    static constexpr int openingMs = 250;

    void follow(QWidget *window) override;
    void hide(QWidget *window, Gone gone) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Milliseconds of the window's opening still to come; 0 for one shown long ago.
    int openingLeft(const QWidget *window) const;

    QHash<const QObject *, QElapsedTimer> shownAt;
};
