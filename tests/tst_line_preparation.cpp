#include "ocr/LinePreparation.h"

#include <QImage>
#include <QPainter>
#include <QTest>

#include <algorithm>

// Turning a picture of text into lines an engine reads: light ground, one line each, one height.
class LinePreparationTest : public QObject
{
    Q_OBJECT

private slots:
    void darkThemesComeOutLight();
    void rowsOfInkMakeLines();
    void linesScaledToTheTextHeight();
    void longLinesCutBetweenCharacters_data();
    void longLinesCutBetweenCharacters();
};

namespace {

// Bars of ink standing for lines of text: rows [10, 20) and [40, 56), the second broken by a
// one-row gap as the strokes of 三 are.
QImage twoLines(QColor ground, QColor ink)
{
    QImage picture(200, 70, QImage::Format_RGB32);
    picture.fill(ground);
    QPainter painter(&picture);
    painter.fillRect(30, 10, 100, 10, ink);
    painter.fillRect(20, 40, 150, 7, ink);
    painter.fillRect(20, 48, 150, 8, ink);
    return picture;
}

} // namespace

void LinePreparationTest::darkThemesComeOutLight()
{
    const QImage dark = textOnLightGround(twoLines(QColor(30, 30, 30), QColor(220, 220, 220)));
    QCOMPARE(dark.format(), QImage::Format_Grayscale8);
    QVERIFY(qGray(dark.pixel(0, 0)) > 200);
    QVERIFY(qGray(dark.pixel(50, 15)) < 60);
    const QImage light = textOnLightGround(twoLines(Qt::white, Qt::black));
    QCOMPARE(qGray(light.pixel(0, 0)), 255);
    QCOMPARE(qGray(light.pixel(50, 15)), 0);
}

void LinePreparationTest::rowsOfInkMakeLines()
{
    const std::vector<TextBand> bands = findTextBands(textOnLightGround(twoLines(Qt::white, Qt::black)));
    QCOMPARE(bands.size(), std::size_t(2));
    QCOMPARE(bands[0].top, 10);
    QCOMPARE(bands[0].bottom, 20);
    QCOMPARE(bands[1].top, 40);
    QCOMPARE(bands[1].bottom, 56);
    QVERIFY(findTextBands(textOnLightGround(twoLines(Qt::white, Qt::white))).empty());

    // A window's frame down the side joins no lines.
    QImage framed = twoLines(Qt::white, Qt::black);
    QPainter(&framed).fillRect(190, 0, 2, framed.height(), Qt::black);
    QCOMPARE(findTextBands(textOnLightGround(framed)).size(), std::size_t(2));
}

void LinePreparationTest::linesScaledToTheTextHeight()
{
    const std::vector<QImage> lines = preparedLines(twoLines(QColor(30, 30, 30), Qt::white), 32, 12);
    QCOMPARE(lines.size(), std::size_t(2));
    // The ink alone is scaled, keeping its proportions, then the margin goes round it.
    QCOMPARE(lines[0].height(), 32 + 24);
    QCOMPARE(lines[0].width(), 100 * 32 / 10 + 24);
    QCOMPARE(lines[1].width(), 150 * 32 / 16 + 24);
    QCOMPARE(qGray(lines[1].pixel(5, 5)), 255 - 30);
    QVERIFY(qGray(lines[1].pixel(lines[1].width() / 2, lines[1].height() / 2)) < 60);
}

QTEST_MAIN(LinePreparationTest)
#include "tst_line_preparation.moc"

void LinePreparationTest::longLinesCutBetweenCharacters_data()
{
    QTest::addColumn<QList<int>>("inkEdges"); // left, right of each block of ink, in a 100 px line
    QTest::addColumn<QList<int>>("cuts");
    QTest::addColumn<QList<int>>("gaps");

    // Pieces at most 40 px wide: each cut in the middle of the widest gap in (20, 40] of its piece.
    QTest::newRow("short enough") << QList<int>{5, 35} << QList<int>{} << QList<int>{};
    QTest::newRow("widest gap") << QList<int>{5, 22, 24, 30, 36, 60, 62, 70, 76, 95} << QList<int>{33, 73}
                                << QList<int>{6, 6};
    QTest::newRow("no gap in reach: the next one") << QList<int>{5, 50, 54, 95} << QList<int>{52} << QList<int>{4};
    QTest::newRow("no gap at all") << QList<int>{5, 95} << QList<int>{} << QList<int>{};
}

void LinePreparationTest::longLinesCutBetweenCharacters()
{
    QFETCH(QList<int>, inkEdges);
    QFETCH(QList<int>, cuts);
    QFETCH(QList<int>, gaps);

    QImage line(100, 20, QImage::Format_Grayscale8);
    line.fill(255);
    for (int at = 0; at + 1 < inkEdges.size(); at += 2)
        for (int y = 5; y < 15; ++y)
            std::fill(line.scanLine(y) + inkEdges[at], line.scanLine(y) + inkEdges[at + 1], uchar(0));
    const std::vector<LinePiece> pieces = linePieces(line, 40);
    QCOMPARE(static_cast<int>(pieces.size()), cuts.size() + 1);
    QCOMPARE(pieces.front().left, 0);
    QCOMPARE(pieces.back().right, 100);
    for (int at = 0; at < cuts.size(); ++at) {
        QCOMPARE(pieces[at].right, cuts[at]);
        QCOMPARE(pieces[at + 1].left, cuts[at]);
        QCOMPARE(pieces[at + 1].gapBefore, gaps[at]);
    }
}
