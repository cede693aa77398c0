#pragma once

#include <QObject>
#include <QTimer>

class QWidget;

// Keeps a window repainting continuously without spinning: each paint asks for the next one, but
// the request is served at most once per display refresh instead of straight away.
class RepaintPacer : public QObject
{
public:
    explicit RepaintPacer(QWidget *widget);

    // Call at the end of every paint: the next repaint follows one refresh interval later.
    void scheduleNextPaint();

    // Milliseconds between repaints for a display refresh rate in Hz; unknown rates count as 60.
    static int intervalForRefreshRate(double hertz);

private:
    QWidget *widget;
    QTimer timer;
};
