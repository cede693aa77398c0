#include "ocr/LinePreparation.h"

#include <QImage>
#include <QPainter>
#include <QTest>

// Turning a picture of text into lines an engine reads: light ground, one line each, one height.
class LinePreparationTest : public QObject
{
    Q_OBJECT

private slots:
    void darkThemesComeOutLight();
    void rowsOfInkMakeLines();
    void linesScaledToTheTextHeight();
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
