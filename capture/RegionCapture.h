#pragma once

#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QVector>

class FreedomCut;
class MarkupDocument;
class OverlayHost;
class OverlayHosts;
class QScreen;
struct DesktopPicture;
struct Selection;
struct WindowFrame;

// One region capture across every screen: an overlay on each, each showing its own part of the
// one frozen desktop. A selection is made on one screen at a time (starting one clears the
// others), and whatever ends the capture on one overlay (cancel, Escape, a save or a copy)
// closes them all. The capture deletes itself once its overlays are gone. A click takes one of
// the windows that were on the desktop when the capture began, as the window system listed them.
class RegionCapture : public QObject
{
    Q_OBJECT

public:
    explicit RegionCapture(const DesktopPicture &desktop, QObject *parent = nullptr);
    // `windows`: the desktop's windows, top first, as WindowList gives them. With `hosts`, the
    // overlays are shown in its windows, kept from one capture to the next; without, each is a
    // window of its own.
    RegionCapture(const DesktopPicture &desktop, const QVector<WindowFrame> &windows, OverlayHosts *hosts = nullptr,
                  QObject *parent = nullptr);
    ~RegionCapture() override;

    // Shows the overlays, giving the keyboard to the one under the pointer.
    void open();
    // Brings the open overlays to the front again.
    void activate();
    // The open overlays, in the order of the screens.
    QVector<FreedomCut *> overlays() const;
    // Starts with `chosen` (device pixels) chosen on the open overlay of the screen named
    // `screenName`, which takes the keyboard; nothing where no such screen is open.
    void choose(const QString &screenName, const Selection &chosen);

signals:
    // Every overlay has closed.
    void finished();
    // The region is to be pinned at its place (`logicalTopLeft` on `screen`), or its text read.
    void pinRequested(const QImage &picture, const QPoint &logicalTopLeft, QScreen *screen);
    void textRequested(const QImage &picture);
    // The selection `taken` (device pixels) on the screen named `screenName` is being copied,
    // saved or pinned.
    void selectionTaken(const QString &screenName, const Selection &taken);
    // A long screenshot of `logicalArea` (the desktop's logical coordinates) on `screen`.
    void longCaptureRequested(const QRect &logicalArea, QScreen *screen);

private:
    // `scale`: the picture's pixels per logical pixel of the screen; 0 for its device pixel ratio.
    FreedomCut *addOverlay(QScreen *screen, const QRect &area, qreal scale, const QVector<WindowFrame> &windows,
                           OverlayHosts *hosts);
    void overlayClosed();
    void clearOthers(FreedomCut *selecting);

    struct Overlay
    {
        QPointer<FreedomCut> window;
        QPointer<QScreen> screen;
        QPointer<OverlayHost> host;  // null where the overlay is a window of its own
    };

    QPixmap frozen;
    MarkupDocument *document = nullptr;  // the mark-up every screen's overlay shows
    QVector<Overlay> shown;
    bool ending = false;
};
