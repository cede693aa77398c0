#include "capture/FreedomCut.h"
#include "capture/OverlayHost.h"
#include "capture/OverlayHosts.h"

#include "TestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {
constexpr QRgb red = 0xffff0000;
using support::FileDialogAnswerer;
using support::asRgb32;
using support::moveWithButtons;
using support::sendMouse;

QPushButton *buttonWithToolTip(QWidget *overlay, const QString &toolTip)
{
    for (QPushButton *button : overlay->findChildren<QPushButton *>())
        if (button->toolTip() == toolTip)
            return button;
    return nullptr;
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget *widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        count += event->type() == QEvent::Paint;
        return false;
    }
};

// A selection dragged with a step on the way.
void drag(QWidget *widget, const QPoint &from, const QPoint &to, Qt::MouseButton button = Qt::LeftButton)
{
    support::drag(widget, {from, (from + to) / 2, to}, button);
}
} // namespace

class TestFreedomCut : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void buttonsWaitOutOfSightThenFollowThePointer();
    void severalSelectionsStillCopyOnce();
    void copyHoldsThePaintedSelection_data();
    void copyHoldsThePaintedSelection();
    void copyCarriesTheCornerMark();
    void rightClickAndEscapeCancel();
    void tinySelectionsGiveNothing_data();
    void tinySelectionsGiveNothing();
    void cancelledSaveDialogKeepsTheOverlay();
    void failedWriteKeepsTheOverlay();
    void outlineOnScreenFollowsTheSelection();
    void idleOverlayPaintsNothing();
    void keysAndDoubleClickFinish_data();
    void keysAndDoubleClickFinish();
    void keptWindowShowsTheNextOverlay();

private:
    FreedomCut *openOverlay();

    QImage frozen;
    QPointer<FreedomCut> overlay;
    std::unique_ptr<QTemporaryDir> folder;  // fresh for every test
};

void TestFreedomCut::init()
{
    frozen = support::patternImage(QGuiApplication::primaryScreen()->size());
    folder = std::make_unique<QTemporaryDir>();
    QVERIFY(folder->isValid());
    QGuiApplication::clipboard()->clear();
}

void TestFreedomCut::cleanup()
{
    delete overlay;
}

FreedomCut *TestFreedomCut::openOverlay()
{
    overlay = new FreedomCut(QPixmap::fromImage(frozen), nullptr);
    overlay->show();
    if (!QTest::qWaitForWindowExposed(overlay))
        return nullptr;
    return overlay;
}

void TestFreedomCut::buttonsWaitOutOfSightThenFollowThePointer()
{
    QVERIFY(openOverlay());
    QCOMPARE(overlay->geometry(), QGuiApplication::primaryScreen()->geometry());
    QPushButton *cancel = buttonWithToolTip(overlay, QStringLiteral("取消"));
    QPushButton *save = buttonWithToolTip(overlay, QStringLiteral("保存"));
    QPushButton *copy = buttonWithToolTip(overlay, QStringLiteral("复制到剪切板"));
    QVERIFY(cancel && save && copy);
    for (QPushButton *button : {cancel, save, copy}) {
        QCOMPARE(button->geometry(), QRect(-25, 25, 25, 25));
        QVERIFY(!button->isHidden());
    }

    QTest::mousePress(overlay, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    QCOMPARE(save->pos(), QPoint(-25, 25));  // a press alone moves nothing
    moveWithButtons(overlay, QPoint(200, 150), Qt::LeftButton);
    QCOMPARE(save->pos(), QPoint(200, 170));
    QTest::mouseRelease(overlay, Qt::LeftButton, Qt::NoModifier, QPoint(300, 200));
    QCOMPARE(cancel->geometry(), QRect(250, 220, 25, 25));
    QCOMPARE(save->geometry(), QRect(300, 220, 25, 25));
    QCOMPARE(copy->geometry(), QRect(350, 220, 25, 25));
}

void TestFreedomCut::severalSelectionsStillCopyOnce()
{
    QVERIFY(openOverlay());
    QSignalSpy clipboardChanges(QGuiApplication::clipboard(), &QClipboard::dataChanged);
    QSignalSpy destroyed(overlay.data(), &QObject::destroyed);
    drag(overlay, QPoint(10, 100), QPoint(50, 150));
    drag(overlay, QPoint(400, 300), QPoint(200, 200));
    drag(overlay, QPoint(100, 100), QPoint(300, 200));

    QTest::mouseClick(buttonWithToolTip(overlay, QStringLiteral("复制到剪切板")), Qt::LeftButton);
    QTRY_COMPARE(destroyed.count(), 1);
    QCOMPARE(clipboardChanges.count(), 1);
    // The last selection is the one copied.
    QCOMPARE(QGuiApplication::clipboard()->image().size(), QSize(199, 99));
}

void TestFreedomCut::copyHoldsThePaintedSelection_data()
{
    QTest::addColumn<QPoint>("start");
    QTest::addColumn<QPoint>("end");
    QTest::newRow("down right") << QPoint(100, 100) << QPoint(300, 200);
    // Released at the top-left corner: the buttons then stand over the selection.
    QTest::newRow("up left") << QPoint(300, 200) << QPoint(100, 100);
    QTest::newRow("down left") << QPoint(300, 100) << QPoint(100, 200);
}

void TestFreedomCut::copyHoldsThePaintedSelection()
{
    QFETCH(QPoint, start);
    QFETCH(QPoint, end);
    QVERIFY(openOverlay());
    drag(overlay, start, end);
    QTest::mouseClick(buttonWithToolTip(overlay, QStringLiteral("复制到剪切板")), Qt::LeftButton);
    QTRY_VERIFY(overlay.isNull());
    const QImage copied = QGuiApplication::clipboard()->image();
    QCOMPARE(copied.size(), QSize(199, 99));
    QCOMPARE(copied.pixel(0, 0), frozen.pixel(101, 101));
    QCOMPARE(asRgb32(copied), frozen.copy(101, 101, 199, 99));
}

void TestFreedomCut::copyCarriesTheCornerMark()
{
    QVERIFY(openOverlay());
    drag(overlay, QPoint(0, 0), QPoint(120, 90));
    QTest::mouseClick(buttonWithToolTip(overlay, QStringLiteral("复制到剪切板")), Qt::LeftButton);
    QTRY_VERIFY(overlay.isNull());
    const QImage copied = QGuiApplication::clipboard()->image();
    QCOMPARE(copied.size(), QSize(119, 89));
    QCOMPARE(copied.pixel(0, 0), red);
    QCOMPARE(copied.pixel(100, 60), frozen.pixel(101, 61));
}

void TestFreedomCut::rightClickAndEscapeCancel()
{
    QVERIFY(openOverlay());
    QSignalSpy clipboardChanges(QGuiApplication::clipboard(), &QClipboard::dataChanged);
    // During a drag a right click changes nothing: the drag goes on.
    sendMouse(overlay, QEvent::MouseButtonPress, QPoint(100, 100), Qt::LeftButton, Qt::LeftButton);
    moveWithButtons(overlay, QPoint(200, 150), Qt::LeftButton);
    sendMouse(overlay, QEvent::MouseButtonPress, QPoint(200, 150), Qt::RightButton, Qt::LeftButton | Qt::RightButton);
    sendMouse(overlay, QEvent::MouseButtonRelease, QPoint(200, 150), Qt::RightButton, Qt::LeftButton);
    QTest::qWait(50);
    QVERIFY(overlay);
    sendMouse(overlay, QEvent::MouseButtonRelease, QPoint(300, 200), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(buttonWithToolTip(overlay, QStringLiteral("复制到剪切板"))->pos(), QPoint(350, 220));

    // Otherwise it cancels, as Escape does, with nothing copied.
    QTest::mouseClick(overlay, Qt::RightButton, Qt::NoModifier, QPoint(400, 400));
    QTRY_VERIFY(overlay.isNull());
    QVERIFY(openOverlay());
    QTest::keyClick(overlay, Qt::Key_Escape);
    QTRY_VERIFY(overlay.isNull());
    QCOMPARE(clipboardChanges.count(), 0);
}

void TestFreedomCut::tinySelectionsGiveNothing_data()
{
    // A move of up to 3 px is a click, which takes a window: these are drags.
    QTest::addColumn<QPoint>("end");
    QTest::newRow("flat") << QPoint(400, 101);
    QTest::newRow("thin") << QPoint(101, 300);
    QTest::newRow("2 px high") << QPoint(400, 102);
}

void TestFreedomCut::tinySelectionsGiveNothing()
{
    QFETCH(QPoint, end);
    QVERIFY(openOverlay());
    drag(overlay, QPoint(100, 100), end);
    // A 2-pixel selection still has a row inside to copy, but nothing to save.
    const bool copyable = end == QPoint(400, 102);
    QSignalSpy clipboardChanges(QGuiApplication::clipboard(), &QClipboard::dataChanged);

    FileDialogAnswerer answerer(folder->filePath(QStringLiteral("tiny.png")));
    QTest::mouseClick(buttonWithToolTip(overlay, QStringLiteral("保存")), Qt::LeftButton);
    QTest::qWait(100);
    QVERIFY(!answerer.seen);  // no name is asked for a picture that cannot exist
    QVERIFY(overlay);
    QVERIFY(overlay->isVisible());
    QVERIFY(!QFile::exists(folder->filePath(QStringLiteral("tiny.png"))));
    // Told to drag first, rather than nothing happening at all.
    std::unique_ptr<QMessageBox> notice(overlay->findChild<QMessageBox *>());
    QVERIFY(notice);
    QVERIFY(notice->text().contains(QStringLiteral("拖出一个矩形")));
    notice.reset();

    QTest::mouseClick(buttonWithToolTip(overlay, QStringLiteral("复制到剪切板")), Qt::LeftButton);
    if (copyable) {
        QTRY_VERIFY(overlay.isNull());
        QCOMPARE(QGuiApplication::clipboard()->image().size(), QSize(299, 1));
        return;
    }
    QTest::qWait(50);
    QVERIFY(overlay);
    QVERIFY(overlay->isVisible());
    QCOMPARE(clipboardChanges.count(), 0);
    QVERIFY(overlay->findChild<QMessageBox *>());
}

void TestFreedomCut::cancelledSaveDialogKeepsTheOverlay()
{
    QVERIFY(openOverlay());
    drag(overlay, QPoint(100, 100), QPoint(300, 200));
    {
        FileDialogAnswerer cancelling{QString()};
        QTest::mouseClick(buttonWithToolTip(overlay, QStringLiteral("保存")), Qt::LeftButton);
        QVERIFY(cancelling.seen);
    }
    QTest::qWait(50);
    QVERIFY(overlay);
    QVERIFY(overlay->isVisible());
    QVERIFY(QDir(folder->path()).isEmpty());

    // Asked again, a name given then is used, with the selection as it was, and the overlay goes.
    const QString file = folder->filePath(QStringLiteral("second.png"));
    FileDialogAnswerer accepting(file);
    QTest::mouseClick(buttonWithToolTip(overlay, QStringLiteral("保存")), Qt::LeftButton);
    QTRY_VERIFY(overlay.isNull());
    QCOMPARE(accepting.caption, QStringLiteral("save flie"));
    QCOMPARE(accepting.filters, QStringList{QStringLiteral("picture (*.png *.jpg)")});
    QCOMPARE(asRgb32(QImage(file)), frozen.copy(101, 101, 198, 98));
}

void TestFreedomCut::failedWriteKeepsTheOverlay()
{
    QVERIFY(openOverlay());
    drag(overlay, QPoint(100, 100), QPoint(300, 200));
    const QString unwritable = folder->filePath(QStringLiteral("region.unknown"));
    {
        // No picture writer knows this suffix, so the write fails.
        FileDialogAnswerer answer(unwritable);
        QTest::mouseClick(buttonWithToolTip(overlay, QStringLiteral("保存")), Qt::LeftButton);
        QVERIFY(answer.seen);
    }
    // The user is told, over the overlay, which file could not be written.
    QTRY_VERIFY(overlay && overlay->findChild<QMessageBox *>());
    QVERIFY(overlay->isVisible());
    auto *message = overlay->findChild<QMessageBox *>();
    QVERIFY(message->text().contains(QDir::toNativeSeparators(unwritable)));
    delete message;

    // The capture is not lost: it can still be copied.
    QTest::mouseClick(buttonWithToolTip(overlay, QStringLiteral("复制到剪切板")), Qt::LeftButton);
    QTRY_VERIFY(overlay.isNull());
    QCOMPARE(asRgb32(QGuiApplication::clipboard()->image()), frozen.copy(101, 101, 199, 99));
}

void TestFreedomCut::outlineOnScreenFollowsTheSelection()
{
    // The continuous repaint covers only the outline's old and new places: what is on screen
    // must still show the new outline and none of the old one.
    QVERIFY(openOverlay());
    auto onScreen = [this] { return asRgb32(overlay->screen()->grabWindow(overlay->winId()).toImage()); };
    sendMouse(overlay, QEvent::MouseButtonPress, QPoint(100, 100), Qt::LeftButton, Qt::LeftButton);
    moveWithButtons(overlay, QPoint(300, 200), Qt::LeftButton);
    QTRY_COMPARE(onScreen().pixel(300, 150), red);
    moveWithButtons(overlay, QPoint(150, 150), Qt::LeftButton);
    sendMouse(overlay, QEvent::MouseButtonRelease, QPoint(150, 150), Qt::LeftButton, Qt::NoButton);
    QTRY_COMPARE(onScreen().pixel(150, 120), red);
    // Outside the selection the desktop shows darker, inside as it is.
    const QImage shown = onScreen();
    for (const QPoint &outside : {QPoint(300, 150), QPoint(200, 200), QPoint(200, 100), QPoint(99, 120)})
        QVERIFY(qGray(shown.pixel(outside)) < qGray(frozen.pixel(outside)));
    QCOMPARE(shown.pixel(125, 100), red);
    QCOMPARE(shown.pixel(140, 140), frozen.pixel(140, 140));
    QCOMPARE(shown.pixel(110, 130), frozen.pixel(110, 130));
}

void TestFreedomCut::idleOverlayPaintsNothing()
{
    // Once shown, an overlay whose selection does not change draws no more frames.
    QVERIFY(openOverlay());
    drag(overlay, QPoint(100, 100), QPoint(300, 200));
    QTest::qWait(100);
    PaintCounter paints(overlay);
    QTest::qWait(300);
    QCOMPARE(paints.count, 0);
    sendMouse(overlay, QEvent::MouseButtonPress, QPoint(50, 50), Qt::LeftButton, Qt::LeftButton);
    QTRY_VERIFY(paints.count > 0);
}

void TestFreedomCut::keysAndDoubleClickFinish_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Enter") << QStringLiteral("enter");
    QTest::newRow("Ctrl+C") << QStringLiteral("ctrl+c");
    QTest::newRow("double click") << QStringLiteral("double");
    QTest::newRow("Ctrl+S") << QStringLiteral("ctrl+s");
}

void TestFreedomCut::keysAndDoubleClickFinish()
{
    QFETCH(QString, how);
    QVERIFY(openOverlay());
    drag(overlay, QPoint(100, 100), QPoint(300, 200));
    const QString file = folder->filePath(QStringLiteral("keys.png"));
    FileDialogAnswerer answer(file);
    if (how == QLatin1String("enter"))
        QTest::keyClick(overlay, Qt::Key_Return);
    else if (how == QLatin1String("ctrl+c"))
        QTest::keyClick(overlay, Qt::Key_C, Qt::ControlModifier);
    else if (how == QLatin1String("ctrl+s"))
        QTest::keyClick(overlay, Qt::Key_S, Qt::ControlModifier);
    else
        QTest::mouseDClick(overlay, Qt::LeftButton, Qt::NoModifier, QPoint(150, 150));
    QTRY_VERIFY(overlay.isNull());
    if (how == QLatin1String("ctrl+s")) {
        QCOMPARE(asRgb32(QImage(file)), frozen.copy(101, 101, 198, 98));
        return;
    }
    QVERIFY(!answer.seen);
    QCOMPARE(asRgb32(QGuiApplication::clipboard()->image()), frozen.copy(101, 101, 199, 99));
}

void TestFreedomCut::keptWindowShowsTheNextOverlay()
{
    OverlayHosts hosts;
    QScreen *screen = QGuiApplication::primaryScreen();
    OverlayHost *host = hosts.hostFor(screen);
    WId kept = 0;
    for (int capture = 0; capture < 2; ++capture) {
        QCOMPARE(hosts.hostFor(screen), host);
        overlay = new FreedomCut(QPixmap::fromImage(frozen), OverlayPlacement(), host);
        host->showOverlay(overlay, screen);
        QVERIFY(QTest::qWaitForWindowExposed(host));
        QCOMPARE(overlay->geometry(), host->rect());
        QVERIFY(kept == 0 || host->winId() == kept);
        kept = host->winId();
        // The keys reach the overlay inside; closing it takes the window off the screen at once.
        drag(overlay, QPoint(100, 100), QPoint(300, 200));
        QTest::keyClick(host->windowHandle(), capture == 0 ? Qt::Key_Escape : Qt::Key_Return);
        QVERIFY(!host->isVisible());
        QTRY_VERIFY(overlay.isNull());
    }
    QCOMPARE(asRgb32(QGuiApplication::clipboard()->image()), frozen.copy(101, 101, 199, 99));
    QCOMPARE(hosts.count(), 1);
}

QTEST_MAIN(TestFreedomCut)
#include "tst_freedomcut.moc"
