#pragma once

#include <QObject>

#include <functional>

class QWidget;

// Says when the compositor has put a window just shown on the screen: its first frame has been
// presented. A compositor that gives the keyboard to the window it shows last (GNOME's mutter)
// gives it to a second window of ours only if that one comes after the first is on the screen;
// shown together, either may end up with it.
class WindowArrival : public QObject
{
public:
    // At most this long: a window hidden again before its first frame is never presented.
    static constexpr int patienceMs = 3000;

    // Calls `arrived` once, from the event loop, when `window` is on the screen or after
    // patienceMs; at once (still from the event loop) when it is not shown at all. Never once
    // `window` is gone.
    static void whenOnScreen(QWidget *window, std::function<void()> arrived);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    WindowArrival(QWidget *window, std::function<void()> arrived);
    void askForFrame();
    void finish();

    QWidget *window;
    std::function<void()> arrived;
};
