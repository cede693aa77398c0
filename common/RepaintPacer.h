#pragma once

#include <QObject>
#include <QRegion>
#include <QTimer>

#include <functional>

class QWidget;

// Keeps a window repainting continuously without spinning: each paint asks for the next one, but
// the request is served at most once per display refresh instead of straight away, and only for
// what may have changed. A hidden window rests until it is shown (and painted) again.
class RepaintPacer : public QObject
{
public:
    // `changingArea` tells what can change without the widget asking for a paint of its own. It is
    // asked when the repaint is due, so it sees the state of that moment; an empty area skips that
    // paint and asks again one refresh later.
    RepaintPacer(QWidget *widget, std::function<QRegion()> changingArea);

    // Call at the end of every paint: the next repaint follows one refresh interval later.
    void scheduleNextPaint();

    // Milliseconds between repaints for a display refresh rate in Hz; unknown rates count as 60.
    static int intervalForRefreshRate(double hertz);

private:
    void repaint();

    QWidget *widget;
    QTimer timer;
    std::function<QRegion()> changingArea;
};
