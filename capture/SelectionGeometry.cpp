#include "SelectionGeometry.h"

#include <QtGlobal>
#include <qnamespace.h>

#include <cmath>
#include <cstdlib>

namespace {

// The bounds a selection's points may reach: one pixel beyond the screen on every side.
QRect pointBounds(const QRect &screen)
{
    return screen.adjusted(-1, -1, 1, 1);
}

QPoint clampedTo(const QPoint &point, const QRect &bounds)
{
    return QPoint(qBound(bounds.left(), point.x(), bounds.right()), qBound(bounds.top(), point.y(), bounds.bottom()));
}

bool near(const QPoint &a, const QPoint &b, int reach)
{
    return std::abs(a.x() - b.x()) <= reach && std::abs(a.y() - b.y()) <= reach;
}

// Which of the selection's edges a part moves.
struct Edges
{
    bool left = false;
    bool top = false;
    bool right = false;
    bool bottom = false;
};

Edges edgesOf(SelectionPart part)
{
    switch (part) {
    case SelectionPart::TopLeft: return {true, true, false, false};
    case SelectionPart::Top: return {false, true, false, false};
    case SelectionPart::TopRight: return {false, true, true, false};
    case SelectionPart::Right: return {false, false, true, false};
    case SelectionPart::BottomRight: return {false, false, true, true};
    case SelectionPart::Bottom: return {false, false, false, true};
    case SelectionPart::BottomLeft: return {true, false, false, true};
    case SelectionPart::Left: return {true, false, false, false};
    case SelectionPart::Inside: return {true, true, true, true};
    case SelectionPart::Outside: break;
    }
    return {};
}

Selection moved(const Selection &before, const QPoint &delta, const QRect &screen)
{
    const QRect bounds = pointBounds(screen);
    const QPoint size = before.end - before.start;
    // The whole selection stays inside: its start may go no further than leaves room for its size.
    const QRect startBounds(bounds.topLeft(), bounds.bottomRight() - size);
    if (startBounds.width() <= 0 || startBounds.height() <= 0)
        return before;
    const QPoint start = clampedTo(before.start + delta, startBounds);
    return {start, start + size};
}

} // namespace

Selection selectionAround(const QRect &inside)
{
    return {inside.topLeft() - QPoint(1, 1), inside.bottomRight() + QPoint(1, 1)};
}

Selection normalised(const Selection &selection)
{
    return {QPoint(qMin(selection.start.x(), selection.end.x()), qMin(selection.start.y(), selection.end.y())),
            QPoint(qMax(selection.start.x(), selection.end.x()), qMax(selection.start.y(), selection.end.y()))};
}

QVector<QPoint> handleCentres(const Selection &selection)
{
    const Selection s = normalised(selection);
    const int midX = (s.start.x() + s.end.x()) / 2;
    const int midY = (s.start.y() + s.end.y()) / 2;
    return {s.start,
            QPoint(midX, s.start.y()),
            QPoint(s.end.x(), s.start.y()),
            QPoint(s.end.x(), midY),
            s.end,
            QPoint(midX, s.end.y()),
            QPoint(s.start.x(), s.end.y()),
            QPoint(s.start.x(), midY)};
}

SelectionPart partAt(const Selection &selection, const QPoint &point, int reach)
{
    // Corners before edge middles: on a small selection they lie close together, and a corner
    // resizes both ways.
    static constexpr SelectionPart order[] = {SelectionPart::TopLeft,  SelectionPart::TopRight, SelectionPart::BottomRight,
                                              SelectionPart::BottomLeft, SelectionPart::Top, SelectionPart::Right,
                                              SelectionPart::Bottom, SelectionPart::Left};
    const QVector<QPoint> centres = handleCentres(selection);
    for (SelectionPart part : order)
        if (near(centres.at(int(part) - int(SelectionPart::TopLeft)), point, reach))
            return part;
    const Selection s = normalised(selection);
    const QRect area(s.start, s.end);
    return area.contains(point) ? SelectionPart::Inside : SelectionPart::Outside;
}

Selection dragged(const Selection &before, SelectionPart part, const QPoint &delta, const QRect &screen)
{
    if (part == SelectionPart::Outside)
        return before;
    const Selection s = normalised(before);
    if (part == SelectionPart::Inside)
        return moved(s, delta, screen);
    const Edges edges = edgesOf(part);
    const QRect bounds = pointBounds(screen);
    QPoint start = s.start;
    QPoint end = s.end;
    if (edges.left)
        start.rx() += delta.x();
    if (edges.right)
        end.rx() += delta.x();
    if (edges.top)
        start.ry() += delta.y();
    if (edges.bottom)
        end.ry() += delta.y();
    return normalised({clampedTo(start, bounds), clampedTo(end, bounds)});
}

Selection nudged(const Selection &before, int key, bool resize, int step, const QRect &screen)
{
    QPoint delta;
    switch (key) {
    case Qt::Key_Left: delta = QPoint(-step, 0); break;
    case Qt::Key_Right: delta = QPoint(step, 0); break;
    case Qt::Key_Up: delta = QPoint(0, -step); break;
    case Qt::Key_Down: delta = QPoint(0, step); break;
    default: return before;
    }
    const Selection s = normalised(before);
    if (!resize)
        return moved(s, delta, screen);
    // At least one pixel stays inside the outline.
    const QRect bounds = pointBounds(screen);
    QPoint end = s.end + delta;
    end.setX(qBound(s.start.x() + 2, end.x(), qMax(s.start.x() + 2, bounds.right())));
    end.setY(qBound(s.start.y() + 2, end.y(), qMax(s.start.y() + 2, bounds.bottom())));
    return {s.start, end};
}

QRect frameAt(const QVector<QRect> &frames, const QPoint &point, const QRect &screen)
{
    for (const QRect &frame : frames) {
        const QRect visible = frame & screen;
        if (visible.contains(point))
            return visible;
    }
    return screen;
}

bool isClick(const QPoint &press, const QPoint &release)
{
    return near(press, release, clickTolerance);
}

QRect frameOnOverlay(const QRect &frame, const QRect &screen, const QSize &overlay)
{
    if (screen.isEmpty())
        return {};
    // Corners scaled, not the size, so that neighbouring windows meet without a gap at any scale.
    const qreal sx = qreal(overlay.width()) / screen.width();
    const qreal sy = qreal(overlay.height()) / screen.height();
    const QPoint from = frame.topLeft() - screen.topLeft();
    const QPoint to = from + QPoint(frame.width(), frame.height());
    return QRect(QPoint(int(std::lround(from.x() * sx)), int(std::lround(from.y() * sy))),
                 QPoint(int(std::lround(to.x() * sx)) - 1, int(std::lround(to.y() * sy)) - 1));
}
