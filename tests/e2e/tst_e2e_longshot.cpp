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
    void escapeInAnotherWindowCancels();
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

// Starts the page viewer, the program, a region capture and a long screenshot of `from` to
// `release` (offsets in the viewer); returns the viewer's window.
QString startLongshot(QProcess &viewer, Program &instance, const QStringList &viewerArguments, const QPoint &from,
                      const QPoint &release)
{
    viewer.start(qEnvironmentVariable("TAVO_SCROLLPAGE"), viewerArguments);
    const QStringList views = waitForWindows(QStringLiteral("^scrollpage$"), viewer.processId());
    if (views.size() != 1 || panelWindow(instance.pid()).isEmpty() || !clearClipboard()
        || runProgram({QStringLiteral("--region")}).status != 0
        || !waitUntil([&] { return windowCovers(instance.pid(), QRect(QPoint(0, 0), screenSize())); }))
        return {};
    const QPoint origin = windowGeometry(views.first()).topLeft();
    dragOnScreen(origin + from, origin + release);
    key(QStringLiteral("ctrl+l"));
    return views.first();
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
    Program instance;
    // The copied area of a drag lies inside the pressed and released pixels.
    const QPoint from(150, 20);
    const QPoint release(751, 601);
    const QRect region(from + QPoint(1, 1), release - QPoint(1, 1));
    const QString view = startLongshot(viewer, instance,
                                       withHeader ? QStringList{QStringLiteral("--header")} : QStringList{}, from,
                                       release);
    QVERIFY(!view.isEmpty());
    QCOMPARE(windowGeometry(view).size(), scrollpage::viewSize);

    QVERIFY(waitForClipboardImage(90000));
    const QImage joined = support::asRgb32(clipboardImage());
    const QImage expected = expectedPicture(region, withHeader);
    QCOMPARE(joined.size(), expected.size());
    QVERIFY(joined == expected);
    QVERIFY(!waitForWindows(QStringLiteral("^长截图"), instance.pid()).isEmpty());
    viewer.kill();
    viewer.waitForFinished();
}

void LongshotTest::escapeInAnotherWindowCancels()
{
    QProcess viewer;
    Program instance;
    const QString view = startLongshot(viewer, instance, {}, QPoint(100, 100), QPoint(500, 500));
    QVERIFY(!view.isEmpty());
    const QStringList bars = waitForWindows(QStringLiteral("^长截图进行中$"), instance.pid());
    QCOMPARE(bars.size(), 1);
    QVERIFY(activate(view));
    key(QStringLiteral("Escape"));
    QVERIFY(waitUntil([&] { return visibleWindows(QStringLiteral("^长截图进行中$"), instance.pid()).isEmpty(); }));
    // Nothing taken: no picture on the clipboard, no window with one.
    QVERIFY(!waitForClipboardImage(1500));
    QVERIFY(visibleWindows(QStringLiteral("^长截图 "), instance.pid()).isEmpty());
    viewer.kill();
    viewer.waitForFinished();
}

QTEST_GUILESS_MAIN(LongshotTest)
#include "tst_e2e_longshot.moc"
