// The Windows page scroller on the Windows platform (under Wine here): the wheel turned through
// SendInput reaches the window under the point, notch by notch, and the pointer goes back.
#include "platform/PageScroller.h"

#include <QCursor>
#include <QWheelEvent>
#include <QWidget>
#include <QtTest>

#include <memory>

namespace {

// A page that adds up the wheel turns it is given.
class WheelCounter : public QWidget
{
public:
    int degrees = 0;

protected:
    void wheelEvent(QWheelEvent *event) override
    {
        degrees += event->angleDelta().y() / 8;
        event->accept();
    }
};

} // namespace

class TestPageScrollerWindows : public QObject
{
    Q_OBJECT

private slots:
    void wheelReachesTheWindowUnderThePoint();
};

void TestPageScrollerWindows::wheelReachesTheWindowUnderThePoint()
{
    WheelCounter page;
    page.setGeometry(200, 150, 400, 300);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    const QPoint rest(20, 20);
    QCursor::setPos(rest);
    QTRY_COMPARE(QCursor::pos(), rest);

    const std::unique_ptr<PageScroller> scroller = PageScroller::forThisSession();
    QVERIFY(scroller->canScroll());
    const QPoint centre = page.mapToGlobal(page.rect().center());
    scroller->scrollDown(centre * page.devicePixelRatioF(), 3);
    // Three notches towards the page's end, 15 degrees each.
    QTRY_COMPARE(page.degrees, -45);
    QTRY_COMPARE(QCursor::pos(), rest);
}

QTEST_MAIN(TestPageScrollerWindows)
#include "tst_page_scroller_windows.moc"
