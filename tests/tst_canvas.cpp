// The board's two drawing steps, checked on rendered pixels.
#include "board/Canvas.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QtTest>

namespace {

const QRgb background = qRgb(255, 255, 255);
const QRgb pictureColour = qRgb(200, 30, 40);

QPixmap solidPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(pictureColour);
    return QPixmap::fromImage(image);
}

QImage whiteCanvas(int width, int height)
{
    QImage canvas(width, height, QImage::Format_RGB32);
    canvas.fill(background);
    return canvas;
}

// The bounding box of every pixel that is not background.
QRect paintedArea(const QImage &canvas)
{
    QRect area;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            if (canvas.pixel(x, y) != background)
                area |= QRect(x, y, 1, 1);
    return area;
}

QImage renderPicture(const QPixmap &picture, int angle, double scale, QPoint offset, QSize canvasSize)
{
    QImage canvas = whiteCanvas(canvasSize.width(), canvasSize.height());
    QPainter painter(&canvas);
    drawPicture(painter, picture, angle, scale, scale, offset);
    painter.end();
    return canvas;
}

QImage renderStrokes(const QVector<QVector<QPoint>> &strokes, const QColor &colour, int width)
{
    QImage canvas = whiteCanvas(60, 60);
    QPainter painter(&canvas);
    drawStrokes(painter, strokes, colour, width);
    painter.end();
    return canvas;
}

} // namespace

class TestCanvas : public QObject
{
    Q_OBJECT

private slots:
    void pictureGeometry_data();
    void pictureGeometry();
    void pictureLeavesPainterAsFound();
    void strokesUseSquareCapsPerSegment();
    void singlePointStrokeDrawsNothing();
    void zeroLengthSegmentDrawsSquare();
    void negativeWidthDrawsThinnestPen();
};

void TestCanvas::pictureGeometry_data()
{
    QTest::addColumn<QSize>("pictureSize");
    QTest::addColumn<int>("angle");
    QTest::addColumn<double>("scale");
    QTest::addColumn<QPoint>("offset");
    QTest::addColumn<QSize>("canvasSize");
    QTest::addColumn<QRect>("expected");

    // Canvases are shifted by (100, 150) where the picture reaches into negative coordinates, so
    // the part beyond the window's edge can still be seen.
    QTest::newRow("5x3 at (10,20)") << QSize(5, 3) << 0 << 1.0 << QPoint(10, 20) << QSize(40, 40)
                                    << QRect(10, 20, 5, 3);
    QTest::newRow("200x100 turned once") << QSize(200, 100) << 90 << 1.0 << QPoint(100, 150)
                                         << QSize(400, 500) << QRect(150, 100, 100, 200);
    QTest::newRow("200x100 turned once, enlarged once") << QSize(200, 100) << 90 << 1.5 << QPoint(100, 150)
                                                        << QSize(400, 500) << QRect(125, 50, 150, 300);
    QTest::newRow("200x100 enlarged once") << QSize(200, 100) << 0 << 1.5 << QPoint(100, 150)
                                           << QSize(400, 500) << QRect(50, 125, 300, 150);
    QTest::newRow("turned four times looks as before") << QSize(5, 3) << 360 << 1.0 << QPoint(10, 20)
                                                       << QSize(40, 40) << QRect(10, 20, 5, 3);
}

void TestCanvas::pictureGeometry()
{
    QFETCH(QSize, pictureSize);
    QFETCH(int, angle);
    QFETCH(double, scale);
    QFETCH(QPoint, offset);
    QFETCH(QSize, canvasSize);
    QFETCH(QRect, expected);

    const QImage canvas = renderPicture(solidPicture(pictureSize.width(), pictureSize.height()), angle,
                                        scale, offset, canvasSize);
    QCOMPARE(paintedArea(canvas), expected);
    // Every pixel inside is the picture's, so the whole area really is covered.
    QCOMPARE(canvas.pixel(expected.topLeft()), pictureColour);
    QCOMPARE(canvas.pixel(expected.bottomRight()), pictureColour);
    QCOMPARE(canvas.pixel(expected.topRight()), pictureColour);
    QCOMPARE(canvas.pixel(expected.bottomLeft()), pictureColour);
}

void TestCanvas::pictureLeavesPainterAsFound()
{
    QImage canvas = whiteCanvas(10, 10);
    QPainter painter(&canvas);
    const QTransform before = painter.transform();
    drawPicture(painter, solidPicture(4, 4), 90, 1.5, 1.5, QPoint(2, 2));
    QCOMPARE(painter.transform(), before);
}

void TestCanvas::strokesUseSquareCapsPerSegment()
{
    // A right angle drawn as two separate square-capped segments: the caps stick out by half the
    // width beyond each end and fill the corner square, where a joined polyline with a bevel join
    // would leave the outer corner cut off.
    const QImage canvas = renderStrokes({{QPoint(10, 30), QPoint(40, 30), QPoint(40, 50)}}, Qt::black, 6);
    QCOMPARE(paintedArea(canvas), QRect(7, 27, 36, 26));
    QCOMPARE(canvas.pixel(42, 27), qRgb(0, 0, 0)); // outer corner, filled only by the caps
    QCOMPARE(canvas.pixel(7, 30), qRgb(0, 0, 0));  // square cap before the first point
    QCOMPARE(canvas.pixel(25, 31), qRgb(0, 0, 0));
}

void TestCanvas::singlePointStrokeDrawsNothing()
{
    const QImage canvas = renderStrokes({{QPoint(20, 20)}, {}}, Qt::black, 6);
    QVERIFY(paintedArea(canvas).isNull());
}

void TestCanvas::zeroLengthSegmentDrawsSquare()
{
    const QImage canvas = renderStrokes({{QPoint(20, 20), QPoint(20, 20)}}, Qt::red, 6);
    const QRect area = paintedArea(canvas);
    QVERIFY2(!area.isNull(), "a click leaves a dot");
    QVERIFY(area.contains(QPoint(20, 20)));
    QCOMPARE(canvas.pixel(20, 20), qRgb(255, 0, 0));
}

void TestCanvas::negativeWidthDrawsThinnestPen()
{
    const QImage canvas = renderStrokes({{QPoint(10, 20), QPoint(50, 20)}}, Qt::black, -5);
    // The thinnest pen: a one-pixel line along the segment and nothing beside it.
    QCOMPARE(paintedArea(canvas), QRect(10, 20, 41, 1));
}

QTEST_MAIN(TestCanvas)
#include "tst_canvas.moc"
