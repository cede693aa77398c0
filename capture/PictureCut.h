#pragma once

#include <QRect>
#include <QString>

struct DesktopPicture;
struct Selection;

// The parts of a fresh picture of the desktop that a capture without the overlay takes: the
// focused window, or the region taken last.
//
// A window's outer frame is placed as the region overlay's snapping takes it: the frame is given
// in the window system's coordinates, and a screen's part of the picture may be at another scale.

// `frame` on the part `part` (picture pixels) of a screen that lies at `screen` in the window
// system's coordinates, clipped to that part; empty where it misses it.
QRect frameInPart(const QRect &frame, const QRect &screen, const QRect &part);

// `frame` on the screen of `desktop` it covers most, clipped to that screen; empty where it is on
// none.
QRect frameInPicture(const QRect &frame, const DesktopPicture &desktop);

// What a copy of `selection` (the overlay's device pixels) on the screen named `screenName` takes
// of `desktop`, clipped to that screen; empty where no such screen is in it.
QRect regionInPicture(const QString &screenName, const Selection &selection, const DesktopPicture &desktop);
