#pragma once

#include <QObject>
#include <QRegion>
#include <QTimer>

#include <functional>

class QWidget;

// Keeps a window repainting continuously without spinning: each paint asks for the next one, but
// the request is served at most once per display refresh instead of straight away.
class RepaintPacer : public QObject
{
public:
    explicit RepaintPacer(QWidget *widget);

    // Call at the end of every paint: the next repaint follows one refresh interval later.
    void scheduleNextPaint();

    // Limits the continuous repaint to what can change without the widget asking for a paint of
    // its own. Asked when the repaint is due, so it sees the state of that moment; an empty area
    // skips that paint and asks again one refresh later.
    void setChangingArea(std::function<QRegion()> area);

    // Milliseconds between repaints for a display refresh rate in Hz; unknown rates count as 60.
    static int intervalForRefreshRate(double hertz);

private:
    void repaint();

    QWidget *widget;
    QTimer timer;
    std::function<QRegion()> changingArea;
};
