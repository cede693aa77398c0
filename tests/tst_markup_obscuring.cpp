// Mosaic and blur: what they compute from the frozen picture, and that they touch nothing else.

#include "TestSupport.h"

#include "markup/MarkupDocument.h"
#include "markup/MarkupPainting.h"
#include "markup/Obscuring.h"

#include <QtTest>

namespace {

// The mean the mosaic must give a block, summed here pixel by pixel from the picture.
QRgb expectedMean(const QImage &picture, const QRect &block)
{
    quint64 r = 0, g = 0, b = 0, n = 0;
    for (int y = block.top(); y <= block.bottom(); ++y)
        for (int x = block.left(); x <= block.right(); ++x) {
            const QRgb p = picture.pixel(x, y);
            r += qRed(p);
            g += qGreen(p);
            b += qBlue(p);
            ++n;
        }
    return qRgb(int((r + n / 2) / n), int((g + n / 2) / n), int((b + n / 2) / n));
}

MarkupItem obscuring(MarkupKind kind, const QRect &area, int size)
{
    MarkupItem item;
    item.kind = kind;
    item.style.size = size;
    item.points = {QPointF(area.topLeft()), QPointF(area.bottomRight())};
    return item;
}

} // namespace

class TestMarkupObscuring : public QObject
{
    Q_OBJECT

private slots:
    void mosaicBlocksHoldTheirMeans_data();
    void mosaicBlocksHoldTheirMeans();
    void mosaicIgnoresItemsBelowIt();
    void blurIsStrongAndStaysInside_data();
    void blurIsStrongAndStaysInside();
    void outsideThePictureGivesNothing();
};

void TestMarkupObscuring::mosaicBlocksHoldTheirMeans_data()
{
    QTest::addColumn<QRect>("area");
    QTest::addColumn<int>("block");
    QTest::newRow("whole blocks") << QRect(40, 30, 48, 36) << 12;
    QTest::newRow("edge blocks cut short") << QRect(5, 7, 50, 29) << 8;
    QTest::newRow("grid anchored off the picture") << QRect(-13, -9, 60, 50) << 20;
    QTest::newRow("reaching past the right and bottom") << QRect(180, 100, 40, 40) << 12;
}

// Every pixel of the patch is the rounded mean of the frozen pixels its block covers, the blocks
// counted from the dragged corner, edge blocks from the part they cover.
void TestMarkupObscuring::mosaicBlocksHoldTheirMeans()
{
    QFETCH(QRect, area);
    QFETCH(int, block);
    const QImage picture = support::patternImage(QSize(200, 120));
    const QRect inside = area & picture.rect();

    const QImage patch = markup::mosaicPatch(picture, area, block);
    QCOMPARE(patch.size(), inside.size());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            const int left = area.left() + (x - area.left()) / block * block;
            const int top = area.top() + (y - area.top()) / block * block;
            const QRect cell = QRect(left, top, block, block) & inside;
            const QRgb got = patch.pixel(x - inside.left(), y - inside.top());
            const QRgb want = expectedMean(picture, cell);
            if (got != want)
                QFAIL(qPrintable(QStringLiteral("(%1, %2): #%3, want #%4 (block %5,%6 %7x%8)")
                                     .arg(x).arg(y).arg(got, 8, 16).arg(want, 8, 16)
                                     .arg(cell.x()).arg(cell.y()).arg(cell.width()).arg(cell.height())));
        }
    }
}

// A mosaic dragged over an earlier rectangle averages the desktop, not the red outline.
void TestMarkupObscuring::mosaicIgnoresItemsBelowIt()
{
    const QImage picture = support::patternImage(QSize(160, 100));
    MarkupDocument document(picture);
    MarkupItem outline = obscuring(MarkupKind::Rectangle, QRect(20, 20, 60, 40), 8);
    QVERIFY(document.add(outline));
    QVERIFY(document.add(obscuring(MarkupKind::Mosaic, QRect(10, 10, 80, 60), 12)));

    const QImage marked = markup::renderMarkedUp(picture, document, picture.rect());
    const QImage want = markup::mosaicPatch(picture, QRect(10, 10, 80, 60), 12);
    QCOMPARE(support::asRgb32(marked.copy(10, 10, 80, 60)), support::asRgb32(want));
}

void TestMarkupObscuring::blurIsStrongAndStaysInside_data()
{
    QTest::addColumn<int>("radius");
    QTest::newRow("smallest") << 10;
    QTest::newRow("largest") << 24;
}

// White right of x = 100 on black, blurred over a rectangle across that edge: the light reaches
// at least `radius` pixels into the black (a strong blur), a white stripe just left of the
// rectangle feeds its edge, and every pixel outside the rectangle is untouched.
void TestMarkupObscuring::blurIsStrongAndStaysInside()
{
    QFETCH(int, radius);
    QImage picture(200, 200, QImage::Format_RGB32);
    picture.fill(Qt::black);
    for (int y = 0; y < 200; ++y) {
        for (int x = 100; x < 200; ++x)
            picture.setPixel(x, y, qRgb(255, 255, 255));
        for (int x = 44; x < 50; ++x)
            picture.setPixel(x, y, qRgb(255, 255, 255));
    }
    const QRect area(50, 50, 100, 100);
    MarkupDocument document(picture);
    QVERIFY(document.add(obscuring(MarkupKind::Blur, area, radius)));
    const QImage blurred = markup::renderMarkedUp(picture, document, picture.rect());

    QVERIFY2(qRed(blurred.pixel(100 - radius, 100)) > 0, "the blur does not reach its radius");
    QVERIFY(qRed(blurred.pixel(99 + radius, 100)) < 255);
    QVERIFY(qRed(blurred.pixel(50, 100)) > 0);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x)
            if (!area.contains(x, y) && blurred.pixel(x, y) != picture.pixel(x, y))
                QFAIL(qPrintable(QStringLiteral("(%1, %2) changed outside the blur").arg(x).arg(y)));
}

void TestMarkupObscuring::outsideThePictureGivesNothing()
{
    const QImage picture = support::patternImage(QSize(50, 50));
    QVERIFY(markup::mosaicPatch(picture, QRect(60, 0, 20, 20), 8).isNull());
    QVERIFY(markup::blurPatch(picture, QRect(0, -40, 20, 20), 10).isNull());
    MarkupDocument document(picture);
    QVERIFY(!document.add(obscuring(MarkupKind::Mosaic, QRect(60, 0, 20, 20), 8)));
    QVERIFY(!document.canUndo());
}

QTEST_MAIN(TestMarkupObscuring)
#include "tst_markup_obscuring.moc"
