#pragma once

#include <QPoint>
#include <QVector>

// A bounded first-in-first-out list of points: once full, each new point pushes out the oldest.
// The board keeps the committed picture offset in one of capacity 1.
class PointHistory
{
public:
    explicit PointHistory(int capacity);

    void append(const QPoint &point);

    int capacity() const { return points.size(); }
    int count() const { return used; }
    // The i-th point, oldest first; i must be below count().
    QPoint at(int i) const;
    // The point appended last; (0, 0) while the list is empty.
    QPoint last() const;

private:
    QVector<QPoint> points;
    int used = 0;
};
