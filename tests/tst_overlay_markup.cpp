// Mark-up on the region overlay: items drawn with the tools leave with the region, undo takes
// them back, text comes through an input method.
#include "capture/FreedomCut.h"

#include "TestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QPointer>
#include <QScreen>
#include <QtTest>

namespace {
using support::asRgb32;

const QRect copied(101, 101, 399, 299);  // what a selection from (100, 100) to (500, 400) gives

void drag(QWidget *widget, const QPoint &from, const QPoint &to)
{
    support::drag(widget, {from, (from + to) / 2, to});
}

// Every pixel where `picture` (a copy of `copied`) differs from the frozen desktop.
QRect differingArea(const QImage &picture, const QImage &frozen)
{
    QRect area;
    const QImage expected = frozen.copy(copied);
    const QImage got = asRgb32(picture);
    for (int y = 0; y < got.height(); ++y)
        for (int x = 0; x < got.width(); ++x)
            if (got.pixel(x, y) != expected.pixel(x, y))
                area |= QRect(x + copied.left(), y + copied.top(), 1, 1);
    return area;
}
} // namespace

class TestOverlayMarkup : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void rectangleLeavesWithTheRegionAndUndoes();
    void mosaicHoldsTheBlockMeans();
    void textComesThroughAnInputMethod();
    void numberedMarkersCountUp();

private:
    bool openWithSelection();
    QImage copyAndClose();

    QImage frozen;
    QPointer<FreedomCut> overlay;
};

void TestOverlayMarkup::init()
{
    frozen = support::patternImage(QGuiApplication::primaryScreen()->size());
    QGuiApplication::clipboard()->clear();
}

void TestOverlayMarkup::cleanup()
{
    delete overlay;
}

bool TestOverlayMarkup::openWithSelection()
{
    overlay = new FreedomCut(QPixmap::fromImage(frozen), nullptr);
    overlay->show();
    if (!QTest::qWaitForWindowExposed(overlay))
        return false;
    drag(overlay, QPoint(100, 100), QPoint(500, 400));
    return overlay->hasSelection();
}

QImage TestOverlayMarkup::copyAndClose()
{
    QTest::keyClick(overlay, Qt::Key_Return);
    if (!QTest::qWaitFor([this] { return overlay.isNull(); }))
        return {};
    return QGuiApplication::clipboard()->image();
}

void TestOverlayMarkup::rectangleLeavesWithTheRegionAndUndoes()
{
    QVERIFY(openWithSelection());
    QTest::keyClick(overlay, Qt::Key_R);
    drag(overlay, QPoint(150, 150), QPoint(250, 230));
    QImage picture = copyAndClose();
    // A red outline 4 px wide along the rectangle, the desktop everywhere else.
    QCOMPARE(picture.pixel(150 - copied.left(), 190 - copied.top()), qRgb(255, 0, 0));
    QCOMPARE(picture.pixel(200 - copied.left(), 230 - copied.top()), qRgb(255, 0, 0));
    const QRect changed = differingArea(picture, frozen);
    QVERIFY(QRect(QPoint(146, 146), QPoint(254, 234)).contains(changed));
    QCOMPARE(asRgb32(picture).copy(QRect(60, 60, 80, 60)), frozen.copy(QRect(161, 161, 80, 60)));

    // Drawn and taken back: the region is the desktop's, exactly.
    QVERIFY(openWithSelection());
    QTest::keyClick(overlay, Qt::Key_R);
    drag(overlay, QPoint(150, 150), QPoint(250, 230));
    QTest::keyClick(overlay, Qt::Key_Z, Qt::ControlModifier);
    picture = copyAndClose();
    QCOMPARE(asRgb32(picture), frozen.copy(copied));
}

void TestOverlayMarkup::mosaicHoldsTheBlockMeans()
{
    QVERIFY(openWithSelection());
    QTest::keyClick(overlay, Qt::Key_X);
    drag(overlay, QPoint(200, 200), QPoint(260, 248));
    const QImage picture = copyAndClose();
    // The default blocks are 12 px, on a grid from the dragged rectangle's top-left corner.
    const QImage block = frozen.copy(212, 224, 12, 12);
    qint64 sum[3] = {0, 0, 0};
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) {
            const QRgb p = block.pixel(x, y);
            sum[0] += qRed(p);
            sum[1] += qGreen(p);
            sum[2] += qBlue(p);
        }
    const QRgb mean = qRgb(int((sum[0] + 72) / 144), int((sum[1] + 72) / 144), int((sum[2] + 72) / 144));
    for (const QPoint &inBlock : {QPoint(212, 224), QPoint(223, 235), QPoint(217, 230)})
        QCOMPARE(picture.pixel(inBlock - copied.topLeft()), mean);
    QVERIFY(QRect(QPoint(200, 200), QPoint(260, 248)).contains(differingArea(picture, frozen)));
}

void TestOverlayMarkup::textComesThroughAnInputMethod()
{
    QVERIFY(openWithSelection());
    QTest::keyClick(overlay, Qt::Key_T);
    QTest::mouseClick(overlay, Qt::LeftButton, Qt::NoModifier, QPoint(200, 200));
    const QRect empty = overlay->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    QVERIFY(empty.isValid());
    QVERIFY(qAbs(empty.left() - 200) < 10 && qAbs(empty.top() - 200) < 30);

    // Pre-edit shows at the cursor, the commit is what stays.
    QInputMethodEvent preedit(QStringLiteral("jietu"), {});
    QApplication::sendEvent(overlay, &preedit);
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("截图"));
    QApplication::sendEvent(overlay, &commit);
    const QRect afterCommit = overlay->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    QVERIFY(afterCommit.left() > empty.left() + 10);
    QTest::keyClicks(overlay, QStringLiteral("abc"));
    QVERIFY(overlay->inputMethodQuery(Qt::ImCursorRectangle).toRect().left() > afterCommit.left());

    // A click elsewhere ends the box; only its area differs from the desktop.
    QTest::mouseClick(overlay, Qt::LeftButton, Qt::NoModifier, QPoint(450, 380));
    QTest::keyClick(overlay, Qt::Key_T);  // the tool away, the selection's keys back
    const QRect changed = differingArea(copyAndClose(), frozen);
    QVERIFY(!changed.isEmpty());
    QVERIFY2(QRect(190, 185, 160, 50).contains(changed), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                                         .arg(changed.x()).arg(changed.y())
                                                                         .arg(changed.width()).arg(changed.height())));
}

void TestOverlayMarkup::numberedMarkersCountUp()
{
    QVERIFY(openWithSelection());
    QTest::keyClick(overlay, Qt::Key_N);
    QTest::mouseClick(overlay, Qt::LeftButton, Qt::NoModifier, QPoint(200, 200));
    QTest::mouseClick(overlay, Qt::LeftButton, Qt::NoModifier, QPoint(350, 200));
    const QImage picture = asRgb32(copyAndClose());
    // Two filled red circles, apart.
    auto redAround = [&](const QPoint &centre) {
        int red = 0;
        for (int y = -12; y <= 12; ++y)
            for (int x = -12; x <= 12; ++x)
                red += picture.pixel(centre + QPoint(x, y) - copied.topLeft()) == qRgb(255, 0, 0);
        return red;
    };
    QVERIFY(redAround(QPoint(200, 200)) > 150);
    QVERIFY(redAround(QPoint(350, 200)) > 150);
    QCOMPARE(redAround(QPoint(275, 200)), 0);
}

QTEST_MAIN(TestOverlayMarkup)
#include "tst_overlay_markup.moc"
