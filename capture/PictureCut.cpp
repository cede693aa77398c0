#include "PictureCut.h"

#include "RegionGeometry.h"
#include "SelectionGeometry.h"
#include "platform/DesktopGrabber.h"
#include "platform/WindowList.h"

#include <QScreen>

QRect frameInPart(const QRect &frame, const QRect &screen, const QRect &part)
{
    return frameOnOverlay(frame, screen, part.size()).translated(part.topLeft()) & part;
}

QRect frameInPicture(const QRect &frame, const DesktopPicture &desktop)
{
    QRect best;
    qint64 bestArea = 0;
    for (const ScreenPart &part : desktop.screens) {
        if (!part.screen)
            continue;
        const QRect inPart = frameInPart(frame, windowSystemArea(part.screen), part.area);
        const qint64 area = qint64(inPart.width()) * inPart.height();
        // A window across two screens is taken on the one that shows most of it, as the overlay
        // of that screen would snap to it.
        if (!inPart.isEmpty() && area > bestArea) {
            best = inPart;
            bestArea = area;
        }
    }
    return best;
}

QRect regionInPicture(const QString &screenName, const Selection &selection, const DesktopPicture &desktop)
{
    for (const ScreenPart &part : desktop.screens)
        if (part.screen && part.screen->name() == screenName)
            return copyGrabRect(selection.start, selection.end).translated(part.area.topLeft()) & part.area;
    return {};
}
