// The mark-up document: every change one undo step, the numbering of markers, the areas it
// reports changed, and picking a finished item again.

#include "TestSupport.h"

#include "markup/MarkupDocument.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

MarkupItem shape(MarkupKind kind, const QPointF &from, const QPointF &to)
{
    MarkupItem item;
    item.kind = kind;
    item.points = {from, to};
    return item;
}

MarkupItem marker(const QPointF &centre, int number)
{
    MarkupItem item;
    item.kind = MarkupKind::Number;
    item.style.size = 18;
    item.points = {centre};
    item.number = number;
    return item;
}

QVector<MarkupKind> kinds(const MarkupDocument &document)
{
    QVector<MarkupKind> out;
    for (const MarkupItem &item : document.items())
        out << item.kind;
    return out;
}

} // namespace

class TestMarkupDocument : public QObject
{
    Q_OBJECT

private slots:
    void everyItemIsOneStep();
    void newChangeDropsWhatWasUndone();
    void numbersFollowUndo();
    void changedNamesTheItemsArea();
    void removeAndMoveAreUndoable();
    void movedMosaicIsComputedAgain();
    void itemAtFindsTheTopmostStroke();
};

void TestMarkupDocument::everyItemIsOneStep()
{
    MarkupDocument document;
    QSignalSpy history(&document, &MarkupDocument::historyChanged);
    QVERIFY(!document.canUndo());
    QVERIFY(!document.canRedo());
    QVERIFY(document.add(shape(MarkupKind::Rectangle, {10, 10}, {50, 40})));
    QVERIFY(document.add(shape(MarkupKind::Line, {0, 0}, {30, 30})));
    QVERIFY(document.add(shape(MarkupKind::Ellipse, {5, 5}, {25, 45})));
    QCOMPARE(history.count(), 3);

    document.undo();
    QCOMPARE(kinds(document), (QVector<MarkupKind>{MarkupKind::Rectangle, MarkupKind::Line}));
    QVERIFY(document.canRedo());
    document.undo();
    document.undo();
    QVERIFY(document.items().isEmpty());
    QVERIFY(!document.canUndo());
    document.undo(); // nothing left: no harm
    QVERIFY(document.items().isEmpty());

    document.redo();
    document.redo();
    QCOMPARE(kinds(document), (QVector<MarkupKind>{MarkupKind::Rectangle, MarkupKind::Line}));
    QCOMPARE(document.items().at(1).points.last(), QPointF(30, 30));

    // A drag of no extent is no step at all.
    QVERIFY(!document.add(shape(MarkupKind::Rectangle, {7, 7}, {7, 7})));
    QCOMPARE(document.items().size(), 2);
    QVERIFY(document.canRedo());
}

void TestMarkupDocument::newChangeDropsWhatWasUndone()
{
    MarkupDocument document;
    document.add(shape(MarkupKind::Rectangle, {10, 10}, {50, 40}));
    document.add(shape(MarkupKind::Line, {0, 0}, {30, 30}));
    document.undo();
    document.add(shape(MarkupKind::Arrow, {0, 0}, {9, 9}));
    QVERIFY(!document.canRedo());
    QCOMPARE(kinds(document), (QVector<MarkupKind>{MarkupKind::Rectangle, MarkupKind::Arrow}));
    document.undo();
    document.redo();
    QCOMPARE(kinds(document), (QVector<MarkupKind>{MarkupKind::Rectangle, MarkupKind::Arrow}));
}

void TestMarkupDocument::numbersFollowUndo()
{
    MarkupDocument document;
    QCOMPARE(document.nextNumber(), 1);
    document.add(marker({20, 20}, document.nextNumber()));
    document.add(marker({60, 20}, document.nextNumber()));
    QCOMPARE(document.items().at(1).number, 2);
    QCOMPARE(document.nextNumber(), 3);
    document.undo();
    QCOMPARE(document.nextNumber(), 2);
    document.add(marker({90, 20}, document.nextNumber()));
    QCOMPARE(document.items().last().number, 2);
    // Other items do not count.
    document.add(shape(MarkupKind::Rectangle, {0, 0}, {5, 5}));
    QCOMPARE(document.nextNumber(), 3);
}

// Viewports repaint only what `changed` names, so it must cover every pixel the item painted,
// on the way in and on the way out.
void TestMarkupDocument::changedNamesTheItemsArea()
{
    MarkupDocument document;
    QSignalSpy changed(&document, &MarkupDocument::changed);
    MarkupItem wide = shape(MarkupKind::Line, {100, 100}, {200, 100});
    wide.style.size = 8;
    document.add(wide);
    QCOMPARE(changed.count(), 1);
    const QRect added = changed.takeFirst().at(0).toRect();
    QVERIFY(added.contains(QRect(96, 96, 108, 8)));
    QVERIFY2(added.width() < 120 && added.height() < 20, "the area repainted is far larger than the line");
    document.undo();
    QCOMPARE(changed.takeFirst().at(0).toRect(), added);
    document.redo();
    QCOMPARE(changed.takeFirst().at(0).toRect(), added);
}

void TestMarkupDocument::removeAndMoveAreUndoable()
{
    MarkupDocument document;
    document.add(shape(MarkupKind::Rectangle, {10, 10}, {50, 40}));
    document.add(shape(MarkupKind::Line, {0, 0}, {30, 30}));
    QSignalSpy changed(&document, &MarkupDocument::changed);

    document.move(0, {100, 5});
    QCOMPARE(document.items().at(0).points, (QVector<QPointF>{{110, 15}, {150, 45}}));
    // Both where it was and where it is now need repainting.
    const QRect moved = changed.takeFirst().at(0).toRect();
    QVERIFY(moved.contains(QPoint(10, 10)) && moved.contains(QPoint(150, 45)));

    document.remove(1);
    QCOMPARE(kinds(document), QVector<MarkupKind>{MarkupKind::Rectangle});
    document.undo();
    QCOMPARE(kinds(document), (QVector<MarkupKind>{MarkupKind::Rectangle, MarkupKind::Line}));
    document.undo();
    QCOMPARE(document.items().at(0).points, (QVector<QPointF>{{10, 10}, {50, 40}}));
    document.redo();
    document.redo();
    QCOMPARE(document.items().size(), 1);
    QCOMPARE(document.items().at(0).points.first(), QPointF(110, 15));
}

// A mosaic moved elsewhere hides what is there, not the averages of where it was.
void TestMarkupDocument::movedMosaicIsComputedAgain()
{
    const QImage picture = support::patternImage(QSize(300, 200));
    MarkupDocument document(picture);
    MarkupItem mosaic = shape(MarkupKind::Mosaic, {10, 10}, {49, 49});
    mosaic.style.size = 10;
    QVERIFY(document.add(mosaic));
    const QImage before = *document.items().at(0).patch;
    document.move(0, {150, 100});
    const MarkupItem &moved = document.items().at(0);
    QCOMPARE(moved.patchOrigin, QPoint(160, 110));
    QVERIFY(*moved.patch != before);
    document.undo();
    QCOMPARE(*document.items().at(0).patch, before);
}

void TestMarkupDocument::itemAtFindsTheTopmostStroke()
{
    MarkupDocument document;
    document.add(shape(MarkupKind::Rectangle, {0, 0}, {100, 100}));
    document.add(shape(MarkupKind::Ellipse, {40, 40}, {60, 60}));
    QCOMPARE(document.itemAt({50, 40}), 1);
    QCOMPARE(document.itemAt({1, 50}), 0);
    // The middle of the large outline is empty: nothing there to pick.
    QCOMPARE(document.itemAt({20, 20}), -1);
    QCOMPARE(document.itemAt({300, 300}), -1);
}

QTEST_MAIN(TestMarkupDocument)
#include "tst_markup_document.moc"
