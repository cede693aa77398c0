#pragma once

#include <QRect>
#include <QVector>

#include <optional>

// A screen as the toolkit lays the desktop out: its place in the compositor's layout (logical
// pixels) and the device pixels of one logical pixel.
struct ScreenPlace
{
    QRect logical;
    qreal ratio = 1;
};

// An absolute pointer motion as wlroots takes it: a point within an extent that stands for the
// bounding box of the whole layout.
struct AbsoluteMotion
{
    quint32 x = 0;
    quint32 y = 0;
    quint32 xExtent = 0;
    quint32 yExtent = 0;
};

// The motion that puts the pointer on `devicePoint`, given in device pixels of the desktop the
// way deviceArea() places each screen (at its logical top-left, with its device pixels' size).
// None where the point lies on no screen.
std::optional<AbsoluteMotion> absoluteMotionTo(const QPoint &devicePoint, const QVector<ScreenPlace> &screens);
