// The bounded first-in-first-out list of points behind the board's committed offset.
#include "board/PointHistory.h"

#include <QtTest>

class TestPointHistory : public QObject
{
    Q_OBJECT

private slots:
    void keepsTheNewestPoints_data();
    void keepsTheNewestPoints();
};

void TestPointHistory::keepsTheNewestPoints_data()
{
    QTest::addColumn<int>("capacity");
    QTest::addColumn<QVector<QPoint>>("appended");
    QTest::addColumn<QVector<QPoint>>("kept");

    QTest::newRow("capacity 1 holds the last") << 1 << QVector<QPoint>{{0, 0}, {50, 20}, {40, 10}}
                                               << QVector<QPoint>{{40, 10}};
    QTest::newRow("not full keeps order") << 3 << QVector<QPoint>{{1, 1}, {2, 2}}
                                          << QVector<QPoint>{{1, 1}, {2, 2}};
    QTest::newRow("full drops the oldest") << 3 << QVector<QPoint>{{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}}
                                           << QVector<QPoint>{{3, 3}, {4, 4}, {5, 5}};
}

void TestPointHistory::keepsTheNewestPoints()
{
    QFETCH(int, capacity);
    QFETCH(QVector<QPoint>, appended);
    QFETCH(QVector<QPoint>, kept);

    PointHistory history(capacity);
    for (const QPoint &point : appended)
        history.append(point);

    QCOMPARE(history.capacity(), capacity);
    QCOMPARE(history.count(), kept.size());
    for (int i = 0; i < kept.size(); ++i)
        QCOMPARE(history.at(i), kept.at(i));
    QCOMPARE(history.last(), kept.last());
}

QTEST_MAIN(TestPointHistory)
#include "tst_point_history.moc"
