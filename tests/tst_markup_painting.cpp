// Painting the items: what leaves (renderMarkedUp) changes no pixel that no item covers, a part
// of the picture is the same pixels as the whole cut there, and the viewport's cache shows what
// renderMarkedUp gives.

#include "TestSupport.h"

#include "markup/MarkupDocument.h"
#include "markup/MarkupLayer.h"
#include "markup/MarkupPainting.h"

#include <QPainter>
#include <QtTest>

namespace {

const QSize pictureSize(320, 240);

MarkupItem item(MarkupKind kind, const QVector<QPointF> &points, int size)
{
    MarkupItem made;
    made.kind = kind;
    made.style.size = size;
    made.points = points;
    return made;
}

MarkupItem textItem(const QPointF &at, const QString &text)
{
    MarkupItem made = item(MarkupKind::Text, {at}, 18);
    made.text = text;
    return made;
}

// A document holding one of each kind, some crossing each other.
void fill(MarkupDocument &document)
{
    document.add(item(MarkupKind::Rectangle, {{20, 20}, {120, 90}}, 4));
    document.add(item(MarkupKind::Ellipse, {{100, 60}, {200, 140}}, 2));
    document.add(item(MarkupKind::Line, {{10, 200}, {150, 150}}, 8));
    document.add(item(MarkupKind::Arrow, {{250, 200}, {300, 20}}, 4));
    document.add(item(MarkupKind::Pen, {{30, 120}, {40, 130}, {60, 125}, {70, 160}}, 2));
    document.add(item(MarkupKind::Marker, {{150, 180}, {260, 190}}, 4));
    document.add(textItem({180, 10}, QStringLiteral("截图\nabc")));
    MarkupItem number = item(MarkupKind::Number, {{60, 60}}, 18);
    number.number = 7;
    document.add(number);
    document.add(item(MarkupKind::Mosaic, {{200, 100}, {260, 150}}, 12));
    document.add(item(MarkupKind::Blur, {{90, 100}, {140, 140}}, 10));
}

// A picture whose neighbouring pixels differ irregularly: a blur of the smooth pattern would
// leave most of it as it was.
QImage busyPicture(const QSize &size)
{
    QImage picture(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            picture.setPixel(x, y, qRgb((x * 37 + y * 11) & 255, (x * x + y * 7) & 255, (x ^ y) & 255));
    return picture;
}

QString firstDifference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return QStringLiteral("sizes differ");
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return QStringLiteral("(%1, %2): #%3 and #%4").arg(x).arg(y).arg(a.pixel(x, y), 8, 16).arg(b.pixel(x, y), 8, 16);
    return {};
}

} // namespace

class TestMarkupPainting : public QObject
{
    Q_OBJECT

private slots:
    void uncoveredPixelsStayFrozen_data();
    void uncoveredPixelsStayFrozen();
    void partIsTheWholeCut();
    void layerShowsWhatLeaves();
    void layerPaintsTheItemUnderWay();
};

void TestMarkupPainting::uncoveredPixelsStayFrozen_data()
{
    QTest::addColumn<MarkupItem>("drawn");
    QTest::addColumn<QPoint>("covered"); // a pixel the item must change
    QTest::newRow("rectangle") << item(MarkupKind::Rectangle, {{40, 30}, {140, 100}}, 4) << QPoint(40, 60);
    QTest::newRow("ellipse") << item(MarkupKind::Ellipse, {{40, 30}, {140, 100}}, 8) << QPoint(90, 30);
    QTest::newRow("line") << item(MarkupKind::Line, {{10, 10}, {200, 10}}, 2) << QPoint(100, 10);
    QTest::newRow("arrow") << item(MarkupKind::Arrow, {{10, 100}, {200, 100}}, 4) << QPoint(190, 100);
    QTest::newRow("pen") << item(MarkupKind::Pen, {{10, 10}, {60, 50}, {90, 20}}, 4) << QPoint(60, 50);
    QTest::newRow("marker") << item(MarkupKind::Marker, {{50, 50}, {150, 50}}, 8) << QPoint(100, 60);
    QTest::newRow("text") << textItem({50, 50}, QStringLiteral("HH")) << QPoint(-1, -1);
    QTest::newRow("number") << item(MarkupKind::Number, {{100, 100}}, 28) << QPoint(88, 100);
    QTest::newRow("mosaic") << item(MarkupKind::Mosaic, {{33, 41}, {90, 77}}, 8) << QPoint(34, 42);
    QTest::newRow("blur") << item(MarkupKind::Blur, {{33, 41}, {90, 77}}, 10) << QPoint(60, 60);
}

// The picture that leaves equals the frozen one everywhere outside the item's bounds, and the
// item did paint.
void TestMarkupPainting::uncoveredPixelsStayFrozen()
{
    QFETCH(MarkupItem, drawn);
    QFETCH(QPoint, covered);
    const QImage frozen = busyPicture(pictureSize);
    MarkupDocument document(frozen);
    QVERIFY(document.add(drawn));
    const QRect bounds = markup::itemBounds(document.items().first());
    const QImage marked = markup::renderMarkedUp(frozen, document, frozen.rect());
    QCOMPARE(marked.size(), frozen.size());

    int changed = 0;
    for (int y = 0; y < frozen.height(); ++y) {
        for (int x = 0; x < frozen.width(); ++x) {
            if (marked.pixel(x, y) == frozen.pixel(x, y))
                continue;
            ++changed;
            if (!bounds.contains(x, y))
                QFAIL(qPrintable(QStringLiteral("(%1, %2) changed outside the item").arg(x).arg(y)));
        }
    }
    QVERIFY(changed > 0);
    if (covered.x() >= 0)
        QVERIFY(marked.pixel(covered) != frozen.pixel(covered));
}

// A region cut out of the picture holds the same pixels as the whole picture marked up and cut
// there: items reaching over the edge are cut, not shifted or left out.
void TestMarkupPainting::partIsTheWholeCut()
{
    const QImage frozen = support::patternImage(pictureSize);
    MarkupDocument document(frozen);
    fill(document);
    const QImage whole = markup::renderMarkedUp(frozen, document, frozen.rect());
    const QRect part(57, 33, 180, 121);
    const QImage cut = markup::renderMarkedUp(frozen, document, part);
    QCOMPARE(cut.size(), part.size());
    const QString difference = firstDifference(cut, whole.copy(part));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    // A region reaching past the picture is cut at its edge.
    QCOMPARE(markup::renderMarkedUp(frozen, document, QRect(300, 200, 50, 50)).size(), QSize(20, 40));
}

// The cache follows adding, undoing, redoing and moving through `changed` alone, and matches
// what leaves, pixel for pixel.
void TestMarkupPainting::layerShowsWhatLeaves()
{
    const QImage frozen = support::patternImage(pictureSize);
    MarkupDocument document(frozen);
    const QRect shown(16, 8, 280, 220); // a viewport showing part of the picture
    MarkupLayer layer(document, shown);
    QCOMPARE(support::asRgb32(layer.picture()), frozen.copy(shown));

    fill(document);
    document.undo();
    document.undo();
    document.redo();
    document.move(0, {30, 40});
    document.remove(3);
    const QImage want = markup::renderMarkedUp(frozen, document, shown);
    const QString difference = firstDifference(support::asRgb32(layer.picture()), support::asRgb32(want));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    // What leaves from the cache is what renderMarkedUp paints, format and all.
    const QRect selection(40, 30, 200, 150);
    QCOMPARE(layer.markedUp(selection), markup::renderMarkedUp(frozen, document, selection));
}

void TestMarkupPainting::layerPaintsTheItemUnderWay()
{
    const QImage frozen = support::patternImage(pictureSize);
    MarkupDocument document(frozen);
    fill(document);
    MarkupLayer layer(document, frozen.rect());
    const MarkupItem drawing = item(MarkupKind::Ellipse, {{30, 30}, {90, 70}}, 4);

    // A viewport repainting only the drawing's area over what it showed before.
    QImage viewport = layer.picture().copy();
    {
        QPainter painter(&viewport);
        layer.paint(painter, markup::itemBounds(drawing), &drawing);
    }
    document.add(drawing);
    const QString difference = firstDifference(support::asRgb32(viewport),
                                               markup::renderMarkedUp(frozen, document, frozen.rect()));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

QTEST_MAIN(TestMarkupPainting)
#include "tst_markup_painting.moc"
