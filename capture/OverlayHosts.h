#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QTimer>

class OverlayHost;
class QScreen;

// The windows region overlays are shown in, one per screen, kept hidden between captures. A
// window's drawing surface is as large as its screen (33 MB at 3840x2160), and making a new one
// for every capture, then touching each of its pages again, costs more than all the rest of
// opening the overlay. After a while without a capture they are let go with their memory.
class OverlayHosts : public QObject
{
    Q_OBJECT

public:
    explicit OverlayHosts(QObject *parent = nullptr);
    ~OverlayHosts() override;

    // The window for an overlay on `screen`, made on first use; the idle time starts again.
    OverlayHost *hostFor(QScreen *screen);
    // How many windows are kept now.
    int count() const;

    static constexpr int keptMilliseconds = 10 * 60 * 1000;

private:
    void releaseAll();

    QHash<QScreen *, QPointer<OverlayHost>> hosts;
    QTimer idle;
};
