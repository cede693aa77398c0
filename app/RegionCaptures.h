#pragma once

#include "capture/SelectionGeometry.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

class DesktopGrabber;
class LongCapture;
class OverlayHosts;
class QWidget;
class RegionCapture;
class WindowList;
class WindowWithdrawal;
struct DesktopPicture;

// The region captures of one run, one at a time: the panel leaves the screen, the desktop is
// grabbed and the overlays open over it; the panel comes back as it was once the capture, or the
// long screenshot it handed over to, has ended. The region copied, saved or pinned last is kept
// for 上次区域 for the rest of the run.
class RegionCaptures : public QObject
{
    Q_OBJECT

public:
    // `panel` leaves the screen while a capture runs and parents its messages; `windows` (null
    // where the desktop tells none) gives what a click may snap to; while `otherGrab` says
    // another capture is grabbing, nothing starts.
    RegionCaptures(QWidget &panel, DesktopGrabber &grabber, WindowWithdrawal &withdrawal, WindowList *windows,
                   std::function<bool()> otherGrab);

    // Opens the overlays, with the region taken last already chosen when `fromLast`; brings an
    // open capture forward instead.
    void start(bool fromLast);
    // Writes the region taken last, cut from a fresh picture of the desktop, to `fileName`; says
    // so where there is none yet.
    void saveLast(const QString &fileName);
    // The panel is leaving the screen or the desktop being grabbed for a region.
    bool isGrabbing() const { return grabbing; }

private:
    // Takes the panel off the screen, grabs the desktop, then hands both on.
    void grabWithoutPanel(std::function<void(const DesktopPicture &, bool panelWasShown)> then);
    void open(const DesktopPicture &desktop, bool panelWasShown, bool fromLast);
    void connectHandOvers(bool panelWasShown);
    void writeLast(const DesktopPicture &desktop, const QString &fileName);

    QWidget &panel;
    DesktopGrabber &grabber;
    WindowWithdrawal &withdrawal;
    WindowList *windowList = nullptr;
    std::function<bool()> otherGrab;
    QPointer<RegionCapture> capture;
    OverlayHosts *hosts = nullptr;      // the overlays' windows, kept between captures
    QPointer<LongCapture> longCapture;  // the one a capture handed over to, while it runs
    struct TakenRegion
    {
        QString screenName;
        Selection selection;
    };
    std::optional<TakenRegion> taken;
    bool grabbing = false;
};
