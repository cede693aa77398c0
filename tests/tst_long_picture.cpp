#include "longshot/LongCaptureFrame.h"
#include "longshot/LongPicture.h"

#include <QRegion>
#include <QTest>

// The joining of a long screenshot, on made-up pages: a region shows a window of the page with
// perhaps a fixed header above it and a fixed footer below it, and the page scrolls between grabs.
// And the frame's edges around the region.
class LongPictureTest : public QObject
{
    Q_OBJECT

private slots:
    void joinsScrolledGrabs_data();
    void joinsScrolledGrabs();
    void stopsAtTheHeightLimit();
    void frameEdgesSurroundTheRegionOnly();
};

namespace {

constexpr int pageWidth = 6;
constexpr int pageHeight = 2000;

// Every row its own colour, except in "gaps" pages, where 20 white rows begin every 50.
QImage makePage(bool gaps)
{
    QImage page(pageWidth, pageHeight, QImage::Format_RGB32);
    for (int y = 0; y < pageHeight; ++y) {
        const bool white = gaps && y % 50 < 20;
        for (int x = 0; x < pageWidth; ++x)
            page.setPixel(x, y, white ? qRgb(255, 255, 255) : qRgb(y & 255, (y >> 8) & 255, x * 40));
    }
    return page;
}

QImage band(int height, QRgb colour)
{
    QImage rows(pageWidth, height, QImage::Format_RGB32);
    rows.fill(colour);
    return rows;
}

QImage stacked(const QVector<QImage> &parts)
{
    int height = 0;
    for (const QImage &part : parts)
        height += part.height();
    QImage whole(pageWidth, height, QImage::Format_RGB32);
    int y = 0;
    for (const QImage &part : parts) {
        for (int row = 0; row < part.height(); ++row)
            memcpy(whole.scanLine(y + row), part.constScanLine(row), size_t(part.bytesPerLine()));
        y += part.height();
    }
    return whole;
}

// What the region shows with the page scrolled to `top`.
QImage grabAt(const QImage &page, int top, int body, int header, int footer)
{
    return stacked({band(header, qRgb(10, 200, 10)), page.copy(0, top, pageWidth, body),
                    band(footer, qRgb(200, 10, 200))});
}

}  // namespace

void LongPictureTest::joinsScrolledGrabs_data()
{
    QTest::addColumn<bool>("gaps");
    QTest::addColumn<int>("header");
    QTest::addColumn<int>("footer");
    QTest::addColumn<QVector<int>>("tops");       // the page's scroll position at each grab
    QTest::addColumn<QString>("expectedKinds");  // M moved, U unmoved, N no overlap, for each step
    QTest::addColumn<int>("joinedTop");           // the last position joined

    const QVector<int> plain{0, 37, 74, 111, 300, 301, 460};
    QTest::newRow("plain scroll") << false << 0 << 0 << plain << "MMMMMM" << 460;
    QTest::newRow("fixed header") << false << 30 << 0 << plain << "MMMMMM" << 460;
    QTest::newRow("fixed footer") << false << 0 << 25 << plain << "MMMMMM" << 460;
    QTest::newRow("header and footer") << false << 30 << 25 << plain << "MMMMMM" << 460;
    QTest::newRow("no overlap") << false << 0 << 0 << QVector<int>{0, 100, 500} << "MN" << 100;
    QTest::newRow("no overlap under a header") << false << 30 << 0 << QVector<int>{0, 100, 500} << "MN" << 100;
    QTest::newRow("end of the page") << false << 20 << 20 << QVector<int>{0, 120, 120} << "MU" << 120;
    // White bands at the region's edges that look still but are content.
    QTest::newRow("repeated rows") << true << 0 << 0 << QVector<int>{0, 50, 100, 130, 200, 230} << "MMMMM" << 230;
    QTest::newRow("repeated rows with footer") << true << 0 << 15 << QVector<int>{20, 40, 70, 170, 220} << "MMMM"
                                               << 220;
    QTest::newRow("repeated rows with header") << true << 15 << 0 << QVector<int>{20, 70, 120, 121, 170} << "MMMM"
                                               << 170;
}

void LongPictureTest::joinsScrolledGrabs()
{
    QFETCH(bool, gaps);
    QFETCH(int, header);
    QFETCH(int, footer);
    QFETCH(QVector<int>, tops);
    QFETCH(QString, expectedKinds);
    QFETCH(int, joinedTop);

    constexpr int body = 200;
    const QImage page = makePage(gaps);
    LongPicture picture(grabAt(page, tops.first(), body, header, footer));
    QString kinds;
    for (int i = 1; i < tops.size(); ++i) {
        const RowMatch match = picture.add(grabAt(page, tops[i], body, header, footer));
        kinds += match.kind == RowMatch::Kind::Moved ? 'M' : match.kind == RowMatch::Kind::Unmoved ? 'U' : 'N';
        if (match.kind != RowMatch::Kind::Moved)
            break;
    }
    QCOMPARE(kinds, expectedKinds);
    const QImage expected = stacked({band(header, qRgb(10, 200, 10)),
                                     page.copy(0, tops.first(), pageWidth, joinedTop + body - tops.first()),
                                     band(footer, qRgb(200, 10, 200))});
    QCOMPARE(picture.height(), expected.height());
    QCOMPARE(picture.picture(), expected);
}

void LongPictureTest::stopsAtTheHeightLimit()
{
    // A page taller than the limit, scrolled 400 rows a step in a 500-row region.
    QImage page(2, LongPicture::heightLimit + 2000, QImage::Format_RGB32);
    for (int y = 0; y < page.height(); ++y)
        page.setPixel(0, y, qRgb(y & 255, (y >> 8) & 255, y >> 16)), page.setPixel(1, y, qRgb(1, 2, 3));
    LongPicture picture(page.copy(0, 0, 2, 500));
    int top = 0;
    while (!picture.full() && top < page.height() - 500) {
        top += 400;
        QCOMPARE(picture.add(page.copy(0, top, 2, 500)).kind, RowMatch::Kind::Moved);
    }
    QVERIFY(picture.full());
    QCOMPARE(picture.height(), LongPicture::heightLimit);
    QCOMPARE(picture.picture(), page.copy(0, 0, 2, LongPicture::heightLimit));
}

void LongPictureTest::frameEdgesSurroundTheRegionOnly()
{
    // Nothing of the frame over the region, where it could keep the wheel from the page, and
    // every pixel of the border drawn once.
    const QRect region(100, 50, 300, 200);
    const std::array<QRect, LongCaptureFrame::edgeCount> edges = frameEdges(region, 2);
    QRegion frame;
    int area = 0;
    for (const QRect &edge : edges) {
        QVERIFY(!edge.intersects(region));
        frame += edge;
        area += edge.width() * edge.height();
    }
    const QRegion border = QRegion(region.adjusted(-2, -2, 2, 2)).subtracted(QRegion(region));
    QCOMPARE(frame, border);
    QCOMPARE(area, 304 * 204 - 300 * 200);
}

QTEST_GUILESS_MAIN(LongPictureTest)
#include "tst_long_picture.moc"
