#pragma once

#include <QPoint>
#include <QRect>

// Where the pointer waits between the wheel steps of a long screenshot where the window system
// cannot put it back where the user had it (Wayland): just outside the region, so that neither
// its picture (drawn into the screen's pixels where there is no cursor plane) nor a hover effect
// under it is taken with the page. Below the region where the screen has room for the pointer's
// picture, else above, right or left of it; the region's centre where it fills the screen.
QPoint pointerRestingPlace(const QRect &region, const QRect &screen);
