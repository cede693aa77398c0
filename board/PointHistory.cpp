#include "PointHistory.h"

#include <QtGlobal>

PointHistory::PointHistory(int capacity)
    : points(qMax(capacity, 1))
{
}

void PointHistory::append(const QPoint &point)
{
    if (used == points.size()) {
        // Full: shift everything one place towards the front, dropping the oldest.
        for (int i = 1; i < used; ++i)
            points[i - 1] = points[i];
        points[used - 1] = point;
        return;
    }
    points[used++] = point;
}

QPoint PointHistory::at(int i) const
{
    Q_ASSERT(i >= 0 && i < used);
    return points.at(i);
}

QPoint PointHistory::last() const
{
    return used > 0 ? points.at(used - 1) : QPoint();
}
