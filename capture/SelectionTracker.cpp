#include "SelectionTracker.h"

#include "OverlayDecorations.h"

#include <cmath>

namespace {
// How near a handle a press must land to take it, in logical pixels.
constexpr int handleReach = 6;

Qt::CursorShape cursorFor(SelectionPart part)
{
    switch (part) {
    case SelectionPart::TopLeft:
    case SelectionPart::BottomRight: return Qt::SizeFDiagCursor;
    case SelectionPart::TopRight:
    case SelectionPart::BottomLeft: return Qt::SizeBDiagCursor;
    case SelectionPart::Top:
    case SelectionPart::Bottom: return Qt::SizeVerCursor;
    case SelectionPart::Left:
    case SelectionPart::Right: return Qt::SizeHorCursor;
    case SelectionPart::Inside: return Qt::SizeAllCursor;
    case SelectionPart::Outside: break;
    }
    return Qt::CrossCursor;
}
} // namespace

SelectionTracker::SelectionTracker(const QRect &area, qreal ratio)
    : area(area)
    , ratio(ratio)
    , reach(int(std::ceil(handleReach * ratio)))
{
}

Selection SelectionTracker::shown() const
{
    if (current == Mode::Waiting || current == Mode::Pressed)
        return hovered.isNull() ? Selection{} : selectionAround(hovered);
    return {startPoint, endPoint};
}

bool SelectionTracker::magnifies() const
{
    switch (current) {
    case Mode::Waiting:
    case Mode::Pressed:
    case Mode::Drawing: return true;
    case Mode::Adjusting: return pressPart != SelectionPart::Inside;
    case Mode::Chosen: break;
    }
    return false;
}

SelectionPart SelectionTracker::partUnder(const QPoint &at) const
{
    if (current == Mode::Chosen)
        return partAt(selection(), at, reach);
    return current == Mode::Adjusting ? pressPart : SelectionPart::Outside;
}

Qt::CursorShape SelectionTracker::cursorShape(const QPoint &at) const
{
    return cursorFor(partUnder(at));
}

// The outline, handles and readout of `shown`, with the band its handles reach into.
QRegion SelectionTracker::decorations(const Selection &shown) const
{
    if (shown == Selection{})
        return {};
    const QRect lit = litArea(shown);
    const int band = reach + 1;
    QRegion region(lit.adjusted(-band, -band, band + 1, band + 1));
    const QRect inner = lit.adjusted(band, band, -band, -band);
    if (!inner.isEmpty())
        region -= inner;
    return region + sizeReadoutBox(shown, area, ratio);
}

QRegion SelectionTracker::changedSince(const Selection &before) const
{
    const Selection after = shown();
    // What went from dimmed to bright or back, and the decorations before and after.
    const QRegion litBefore = before == Selection{} ? QRegion() : QRegion(litArea(before));
    const QRegion litAfter = after == Selection{} ? QRegion() : QRegion(litArea(after));
    return litBefore.xored(litAfter) + decorations(before) + decorations(after);
}

QRegion SelectionTracker::hover(const QPoint &at)
{
    if (current != Mode::Waiting)
        return {};
    const QRect frame = frameAt(windowFrames, at, area);
    if (frame == hovered)
        return {};
    const Selection before = shown();
    hovered = frame;
    return changedSince(before);
}

QRegion SelectionTracker::leave()
{
    if (current != Mode::Waiting || hovered.isNull())
        return {};
    const Selection before = shown();
    hovered = QRect();
    return changedSince(before);
}

QRegion SelectionTracker::press(const QPoint &at)
{
    const Selection before = shown();
    pressPoint = at;
    if (current == Mode::Chosen) {
        const SelectionPart part = partAt(selection(), at, reach);
        if (part != SelectionPart::Outside) {
            pressPart = part;
            pressSelection = selection();
            current = Mode::Adjusting;
            return {};
        }
    }
    // A new selection begins here: a click takes the window under it, a drag a free rectangle.
    current = Mode::Pressed;
    startPoint = endPoint = at;
    hovered = frameAt(windowFrames, at, area);
    return changedSince(before);
}

QRegion SelectionTracker::move(const QPoint &at)
{
    const Selection before = shown();
    const Mode was = current;
    switch (current) {
    case Mode::Waiting: return hover(at);
    case Mode::Pressed:
        if (isClick(pressPoint, at))
            return {};
        current = Mode::Drawing;
        startPoint = pressPoint;
        Q_FALLTHROUGH();
    case Mode::Drawing: endPoint = at; break;
    case Mode::Adjusting: {
        const Selection s = dragged(pressSelection, pressPart, at - pressPoint, area);
        startPoint = s.start;
        endPoint = s.end;
        break;
    }
    case Mode::Chosen: return {};
    }
    return current == was && shown() == before ? QRegion() : changedSince(before);
}

QRegion SelectionTracker::release(const QPoint &at)
{
    switch (current) {
    case Mode::Pressed: return choose(selectionAround(frameAt(windowFrames, pressPoint, area)));
    case Mode::Drawing: endPoint = at; return choose({startPoint, endPoint});
    case Mode::Adjusting: return choose(selection());
    case Mode::Waiting:
    case Mode::Chosen: break;
    }
    return {};
}

QRegion SelectionTracker::nudge(int key, bool resize, int step)
{
    if (current != Mode::Chosen)
        return {};
    const Selection before = shown();
    const Selection s = nudged(selection(), key, resize, step, area);
    startPoint = s.start;
    endPoint = s.end;
    return shown() == before ? QRegion() : changedSince(before);
}

QRegion SelectionTracker::choose(const Selection &chosen)
{
    const Selection before = shown();
    const Selection s = normalised(chosen);
    current = Mode::Chosen;
    startPoint = s.start;
    endPoint = s.end;
    return changedSince(before);
}

QRegion SelectionTracker::clear()
{
    const Selection before = shown();
    current = Mode::Waiting;
    hovered = QRect();
    startPoint = endPoint = QPoint();
    return changedSince(before);
}
