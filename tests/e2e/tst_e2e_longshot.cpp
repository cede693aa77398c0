#include "Desktop.h"
#include "ScrollPage.h"

#include "TestSupport.h"

#include <QProcess>
#include <QTest>

using namespace e2e;

// A long screenshot of the real program on X11: a region chosen inside a window that scrolls by
// whole pixels, Ctrl+L, and the program scrolls it to the end by itself. The picture on the
// clipboard is the page's column under the region, every row once; a header that stays put at
// the region's top is in it once.
class LongshotTest : public QObject
{
    Q_OBJECT

private slots:
    void scrolledToTheEndAndJoined_data();
    void scrolledToTheEndAndJoined();
};

namespace {

// What the region (in the viewport's coordinates) should give once the page has scrolled to its
// end: the header's rows in it, then the page from the first row the region showed to the last.
QImage expectedPicture(const QRect &region, bool withHeader)
{
    const int headerRows = withHeader ? scrollpage::headerHeight : 0;
    const int lastOffset = scrollpage::pageSize.height() - (scrollpage::viewSize.height() - headerRows);
    const int firstPageRow = std::max(region.top(), headerRows) - headerRows;
    const int endPageRow = lastOffset + region.bottom() + 1 - headerRows;
    const QImage header = withHeader ? scrollpage::header().copy(region.left(), region.top(), region.width(),
                                                                   std::max(0, headerRows - region.top()))
                                     : QImage();
    const QImage page = scrollpage::page().copy(region.left(), firstPageRow, region.width(), endPageRow - firstPageRow);
    QImage whole(region.width(), header.height() + page.height(), QImage::Format_RGB32);
    for (int y = 0; y < whole.height(); ++y) {
        const QImage &from = y < header.height() ? header : page;
        const int row = y < header.height() ? y : y - header.height();
        memcpy(whole.scanLine(y), from.constScanLine(row), size_t(whole.bytesPerLine()));
    }
    return whole;
}

}  // namespace

void LongshotTest::scrolledToTheEndAndJoined_data()
{
    QTest::addColumn<bool>("withHeader");
    QTest::newRow("plain page") << false;
    QTest::newRow("fixed header in the region") << true;
}

void LongshotTest::scrolledToTheEndAndJoined()
{
    QFETCH(bool, withHeader);
    QProcess viewer;
    viewer.start(qEnvironmentVariable("TAVO_SCROLLPAGE"),
                 withHeader ? QStringList{QStringLiteral("--header")} : QStringList{});
    const QStringList views = waitForWindows(QStringLiteral("^scrollpage$"), viewer.processId());
    QCOMPARE(views.size(), 1);
    const QRect view = windowGeometry(views.first());
    QCOMPARE(view.size(), scrollpage::viewSize);

    Program instance;
    QVERIFY(!panelWindow(instance.pid()).isEmpty());
    QVERIFY(clearClipboard());
    QCOMPARE(runProgram({QStringLiteral("--region")}).status, 0);
    QVERIFY(waitUntil([&] { return windowCovers(instance.pid(), QRect(QPoint(0, 0), screenSize())); }));

    // The copied area of a drag lies inside the pressed and released pixels.
    const QPoint from = view.topLeft() + QPoint(150, 20);
    const QPoint release = view.topLeft() + QPoint(751, 601);
    const QRect region(from - view.topLeft() + QPoint(1, 1), release - view.topLeft() - QPoint(1, 1));
    dragOnScreen(from, release);
    key(QStringLiteral("ctrl+l"));

    QVERIFY(waitForClipboardImage(90000));
    const QImage joined = support::asRgb32(clipboardImage());
    const QImage expected = expectedPicture(region, withHeader);
    QCOMPARE(joined.size(), expected.size());
    QVERIFY(joined == expected);
    QVERIFY(!waitForWindows(QStringLiteral("^长截图"), instance.pid()).isEmpty());
    viewer.kill();
    viewer.waitForFinished();
}

QTEST_GUILESS_MAIN(LongshotTest)
#include "tst_e2e_longshot.moc"
