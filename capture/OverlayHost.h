#pragma once

#include <QWidget>

class QScreen;

// A full-screen window that shows one region overlay at a time as its child, filling it, and
// hides as soon as that overlay does. It outlives its overlays so that the next capture draws
// into the surface this one already has.
class OverlayHost : public QWidget
{
    Q_OBJECT

public:
    explicit OverlayHost(QWidget *parent = nullptr);

    // Places the window full screen on `screen` and shows `overlay`, a child of it, with the
    // keyboard.
    void showOverlay(QWidget *overlay, QScreen *screen);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
};
