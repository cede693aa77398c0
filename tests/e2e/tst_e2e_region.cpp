#include "Desktop.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QFont>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace e2e;

namespace {
const QSize screen(1920, 1080);
constexpr int regionButtonIndex = 2;  // the panel's third button starts a region capture

// The button row stands below the release point: cancel 50 px left of it, save at it, copy 50 px right.
QPoint cancelButtonFor(const QPoint &release) { return release + QPoint(-50 + 12, 20 + 12); }
QPoint saveButtonFor(const QPoint &release) { return release + QPoint(12, 20 + 12); }
QPoint copyButtonFor(const QPoint &release) { return release + QPoint(50 + 12, 20 + 12); }

} // namespace

class TestE2eRegion : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void hotKeyOpensOverlayWithoutThePanel();
    void escapeCancels();
    void selectionGivesItsInside_data();
    void selectionGivesItsInside();
    void clickTakesTheWindowUnderIt();
    void handleAndArrowKeyAdjust();
    void keysAndDoubleClickFinish();
    void colourKeyAndDimming();
    void markUpLeavesWithTheRegion();
    void mosaicTextAndNumbersLeaveWithTheRegion();
    void pinKeepsTheRegionAtItsPlace();
    void readsTheTextOfTheRegion();

private:
    bool openOverlay();
    bool waitForOverlay();
    bool overlayIsOpen();
    bool waitForOverlayToClose();
    bool select(const QPoint &from, const QPoint &release);
    bool saveThroughDialog(const QString &fileName);

    std::unique_ptr<Program> program;
    QString panel;
    QRect panelArea;
    QPoint regionButton;
    QTemporaryDir folder;
};

void TestE2eRegion::initTestCase()
{
    QVERIFY(folder.isValid());
    QVERIFY(showPatternOnRoot(screen));
    program = std::make_unique<Program>();
    panel = panelWindow(program->pid());
    QVERIFY2(!panel.isEmpty(), "the panel did not show");
    const QVector<QPoint> buttons = panelButtonCentres(panel);
    QCOMPARE(buttons.size(), 4);
    regionButton = buttons.at(regionButtonIndex);
    // Selections below stay in the top-left part of the screen, clear of the panel and the tray,
    // but for the one that takes the panel's place.
    panelArea = windowGeometry(panel);
    QVERIFY(panelArea.top() > 800 && panelArea.left() > 1200);
}

bool TestE2eRegion::overlayIsOpen()
{
    return windowCovers(program->pid(), QRect(QPoint(0, 0), screen));
}

bool TestE2eRegion::waitForOverlay()
{
    // Up, full screen, and painted: the red corner mark shows where the pattern was.
    return waitUntil([this] { return overlayIsOpen(); })
        && waitUntil([] { return screenShot().pixel(5, 5) == qRgb(255, 0, 0); });
}

bool TestE2eRegion::openOverlay()
{
    // The panel is back once the last capture has ended.
    if (!waitUntil([this] { return isViewable(panel); }))
        return false;
    clickAt(regionButton);
    return waitForOverlay();
}

bool TestE2eRegion::waitForOverlayToClose()
{
    return waitUntil([this] { return !overlayIsOpen(); });
}

// Drags a selection and waits until the button row stands below the release point, so a click
// that follows meets the buttons.
bool TestE2eRegion::select(const QPoint &from, const QPoint &release)
{
    dragOnScreen(from, release);
    const QPoint save = saveButtonFor(release);
    return waitUntil([&] { return screenShot().pixel(save) != support::patternPixel(save.x(), save.y()); });
}

bool TestE2eRegion::saveThroughDialog(const QString &fileName)
{
    return answerFileDialog(QStringLiteral("save flie"), fileName)
        && waitUntil([&] { return QFile::exists(fileName); });
}

void TestE2eRegion::hotKeyOpensOverlayWithoutThePanel()
{
    ForeignWindow foreign;
    QVERIFY(foreign.activate());
    key(QStringLiteral("ctrl+alt+f"));
    QVERIFY(waitForOverlay());
    // The panel leaves the screen for the capture and comes back when it ends.
    QVERIFY(!isViewable(panel));

    const QPoint release(300, 200);
    QVERIFY(select(QPoint(100, 100), release));
    clickAt(cancelButtonFor(release));
    QVERIFY(waitForOverlayToClose());
    QVERIFY(waitUntil([this] { return isViewable(panel); }));
}

void TestE2eRegion::escapeCancels()
{
    QVERIFY(clearClipboard());
    QVERIFY(openOverlay());
    QVERIFY(select(QPoint(100, 100), QPoint(300, 200)));
    key(QStringLiteral("Escape"));
    QVERIFY(waitForOverlayToClose());
    QVERIFY(waitUntil([this] { return isViewable(panel); }));
    QVERIFY(!clipboardTargets().contains(QStringLiteral("image/png")));
    QVERIFY(QDir(folder.path()).isEmpty());
    QVERIFY(visibleWindows(QStringLiteral("^save flie$"), program->pid()).isEmpty());
}

void TestE2eRegion::selectionGivesItsInside_data()
{
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("release");
    QTest::addColumn<QString>("fileName"); // empty: copied, not saved
    QTest::addColumn<QRect>("inside");     // on the screen
    QTest::newRow("copied") << QPoint(100, 100) << QPoint(300, 200) << QString() << QRect(101, 101, 199, 99);
    QTest::newRow("saved") << QPoint(100, 100) << QPoint(300, 200) << "region.png" << QRect(101, 101, 198, 98);
    // Dragged up and left: the buttons then stand over the selection, and the dialog opens over
    // it too; neither may end up in the picture.
    QTest::newRow("saved, dragged up and left in the middle")
        << QPoint(1100, 700) << QPoint(700, 400) << "middle.png" << QRect(701, 401, 398, 298);
    // The panel is off the screen when the desktop is frozen: its place shows the desktop.
    const QRect around = panelArea.adjusted(-10, -10, 0, 10);  // it stands at the right edge
    QTest::newRow("copied where the panel stands")
        << around.bottomRight() << around.topLeft() << QString()
        << QRect(around.topLeft() + QPoint(1, 1), around.size() - QSize(2, 2));
}

void TestE2eRegion::selectionGivesItsInside()
{
    QFETCH(QPoint, from);
    QFETCH(QPoint, release);
    QFETCH(QString, fileName);
    QFETCH(QRect, inside);
    QVERIFY(clearClipboard());
    QVERIFY(openOverlay());
    QVERIFY(select(from, release));
    QImage picture;
    if (fileName.isEmpty()) {
        clickAt(copyButtonFor(release));
        QVERIFY(waitForOverlayToClose());
        QVERIFY(waitForClipboardImage());
        picture = clipboardImage();
    } else {
        clickAt(saveButtonFor(release));
        const QString file = folder.filePath(fileName);
        QVERIFY(saveThroughDialog(file));
        QVERIFY(waitForOverlayToClose());
        picture = QImage(file);
    }
    QCOMPARE(picture.size(), inside.size());
    const QString difference = support::differenceFromPattern(picture, inside.topLeft());
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestE2eRegion::clickTakesTheWindowUnderIt()
{
    ForeignWindow window;
    QVERIFY(window.activate());
    const QRect frame = outerFrame(window.windowId());
    QVERIFY2(frame.isValid() && frame != windowGeometry(window.windowId()), "no decorated frame");
    const QImage before = screenShot().copy(frame);
    QVERIFY(clearClipboard());
    QVERIFY(openOverlay());
    clickAt(frame.center());
    key(QStringLiteral("Return"));
    QVERIFY(waitForOverlayToClose());
    QVERIFY(waitForClipboardImage());
    QCOMPARE(support::asRgb32(clipboardImage()), support::asRgb32(before));
}

void TestE2eRegion::handleAndArrowKeyAdjust()
{
    QVERIFY(clearClipboard());
    QVERIFY(openOverlay());
    QVERIFY(select(QPoint(100, 100), QPoint(300, 200)));
    // The bottom-right handle by (+40, +30), then the selection one pixel right.
    dragOnScreen(QPoint(300, 200), QPoint(340, 230));
    key(QStringLiteral("Right"));
    key(QStringLiteral("Return"));
    QVERIFY(waitForOverlayToClose());
    QVERIFY(waitForClipboardImage());
    const QImage copied = clipboardImage();
    QCOMPARE(copied.size(), QSize(239, 129));
    const QString difference = support::differenceFromPattern(copied, QPoint(102, 101));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestE2eRegion::keysAndDoubleClickFinish()
{
    // Ctrl+S saves as the save button does.
    QVERIFY(openOverlay());
    QVERIFY(select(QPoint(100, 100), QPoint(300, 200)));
    key(QStringLiteral("ctrl+s"));
    const QString file = folder.filePath(QStringLiteral("keys.png"));
    QVERIFY(saveThroughDialog(file));
    QVERIFY(waitForOverlayToClose());
    QCOMPARE(QImage(file).size(), QSize(198, 98));
    QVERIFY(support::differenceFromPattern(QImage(file), QPoint(101, 101)).isEmpty());

    // A double click inside copies as the copy button does.
    QVERIFY(clearClipboard());
    QVERIFY(openOverlay());
    QVERIFY(select(QPoint(400, 300), QPoint(600, 400)));
    xdotool({QStringLiteral("mousemove"), QStringLiteral("500"), QStringLiteral("350"), QStringLiteral("click"),
             QStringLiteral("--repeat"), QStringLiteral("2"), QStringLiteral("--delay"), QStringLiteral("80"),
             QStringLiteral("1")});
    QVERIFY(waitForOverlayToClose());
    QVERIFY(waitForClipboardImage());
    QCOMPARE(clipboardImage().size(), QSize(199, 99));
    QVERIFY(support::differenceFromPattern(clipboardImage(), QPoint(401, 301)).isEmpty());
}

void TestE2eRegion::colourKeyAndDimming()
{
    QVERIFY(clearClipboard());
    QVERIFY(openOverlay());
    QVERIFY(select(QPoint(100, 100), QPoint(300, 200)));
    // Outside the selection the screen is darker than the frozen desktop, inside it is not.
    const QImage shot = screenShot();
    const QPoint outside(700, 500), inside(200, 150);
    QVERIFY(qGray(shot.pixel(outside)) < qGray(support::patternPixel(outside.x(), outside.y())));
    QCOMPARE(shot.pixel(inside), support::patternPixel(inside.x(), inside.y()));

    // C puts the colour under the pointer on the clipboard as text; the overlay stays.
    xdotool({QStringLiteral("mousemove"), QStringLiteral("123"), QStringLiteral("45")});
    key(QStringLiteral("c"));
    const QString expected = QColor(support::patternPixel(123, 45)).name().toUpper();
    QVERIFY(waitUntil([&] { return clipboardData(QStringLiteral("UTF8_STRING")) == expected.toLatin1(); }));
    QVERIFY(overlayIsOpen());
    key(QStringLiteral("Escape"));
    QVERIFY(waitForOverlayToClose());
}

void TestE2eRegion::markUpLeavesWithTheRegion()
{
    // R, a rectangle dragged inside: the copy has the red outline there and the desktop elsewhere.
    QVERIFY(clearClipboard());
    QVERIFY(openOverlay());
    QVERIFY(select(QPoint(100, 100), QPoint(500, 400)));
    key(QStringLiteral("r"));
    dragOnScreen(QPoint(150, 150), QPoint(250, 230));
    key(QStringLiteral("Return"));
    QVERIFY(waitForOverlayToClose());
    QVERIFY(waitForClipboardImage());
    QImage copied = clipboardImage();
    QCOMPARE(copied.size(), QSize(399, 299));
    QCOMPARE(copied.pixel(QPoint(150, 190) - QPoint(101, 101)), qRgb(255, 0, 0));
    QVERIFY(support::differenceFromPattern(copied.copy(0, 160, 399, 139), QPoint(101, 261)).isEmpty());

    // Drawn, then Ctrl+Z: the copy is the desktop's, exactly.
    QVERIFY(clearClipboard());
    QVERIFY(openOverlay());
    QVERIFY(select(QPoint(100, 100), QPoint(500, 400)));
    key(QStringLiteral("r"));
    dragOnScreen(QPoint(150, 150), QPoint(250, 230));
    key(QStringLiteral("ctrl+z"));
    key(QStringLiteral("Return"));
    QVERIFY(waitForOverlayToClose());
    QVERIFY(waitForClipboardImage());
    copied = clipboardImage();
    const QString difference = support::differenceFromPattern(copied, QPoint(101, 101));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestE2eRegion::mosaicTextAndNumbersLeaveWithTheRegion()
{
    QVERIFY(clearClipboard());
    QVERIFY(openOverlay());
    QVERIFY(select(QPoint(100, 100), QPoint(700, 500)));
    // X over an area, T with "abc" ended by a click elsewhere, N twice.
    key(QStringLiteral("x"));
    dragOnScreen(QPoint(200, 200), QPoint(260, 248));
    key(QStringLiteral("t"));
    clickAt(QPoint(400, 150));
    xdotool({QStringLiteral("type"), QStringLiteral("abc")});
    clickAt(QPoint(600, 450));
    key(QStringLiteral("n"));
    clickAt(QPoint(150, 400));
    clickAt(QPoint(300, 400));
    key(QStringLiteral("n"));  // the tool away: the selection's keys are back
    key(QStringLiteral("Return"));
    QVERIFY(waitForOverlayToClose());
    QVERIFY(waitForClipboardImage());
    const QImage copied = support::asRgb32(clipboardImage());
    const QPoint origin(101, 101);
    // The mosaic's first block holds the mean of the desktop's pixels it covers: on the pattern
    // the red and green channels are the coordinates, so the mean is the block's middle.
    QCOMPARE(qRed(copied.pixel(QPoint(205, 205) - origin)), (200 + 211) / 2 + 1);
    QCOMPARE(copied.pixel(QPoint(205, 205) - origin), copied.pixel(QPoint(211, 211) - origin));
    // The text differs from the desktop only near where it was typed.
    QVERIFY(support::differenceFromPattern(copied.copy(QRect(QPoint(350, 120), QSize(100, 50)).translated(-origin)),
                                           QPoint(350, 120)).size() > 0);
    QVERIFY(support::differenceFromPattern(copied.copy(QRect(QPoint(450, 120), QSize(200, 200)).translated(-origin)),
                                           QPoint(450, 120)).isEmpty());
    // Two markers, red discs, apart.
    for (const QPoint &marker : {QPoint(150, 400), QPoint(300, 400)})
        QCOMPARE(copied.pixel(marker + QPoint(0, 8) - origin), qRgb(255, 0, 0));
    QCOMPARE(copied.pixel(QPoint(225, 400) - origin), support::patternPixel(225, 400));
}

void TestE2eRegion::pinKeepsTheRegionAtItsPlace()
{
    // Ctrl+T: a pin of the region's size over exactly its place, the desktop's pixels inside a
    // frame of one pixel, kept above through the window manager.
    QVERIFY(openOverlay());
    QVERIFY(select(QPoint(400, 300), QPoint(700, 500)));
    key(QStringLiteral("ctrl+t"));
    QVERIFY(waitForOverlayToClose());
    const QStringList pins = waitForWindows(QStringLiteral("^贴图$"), program->pid());
    QCOMPARE(pins.size(), 1);
    const QRect inside = windowGeometry(pins.first()).adjusted(1, 1, -1, -1);
    QCOMPARE(inside, QRect(401, 301, 299, 199));
    QVERIFY(waitUntil([&] { return support::differenceFromPattern(screenShot().copy(inside), inside.topLeft()).isEmpty(); }));
    QVERIFY(windowProperty(pins.first(), QStringLiteral("_NET_WM_STATE")).contains(QLatin1String("_NET_WM_STATE_ABOVE")));
    activate(pins.first());
    key(QStringLiteral("Escape"));
    QVERIFY(waitUntil([&] { return visibleWindows(QStringLiteral("^贴图$"), program->pid()).isEmpty(); }));
}

void TestE2eRegion::readsTheTextOfTheRegion()
{
#ifndef TAVO_OCR
    QSKIP("built without text recognition");
#endif
    // A window of the test's own showing known Chinese text; Ctrl+R over it puts that text on the
    // clipboard.
    const QString text = QStringLiteral("截图已复制到剪贴板");
    QLabel label(text);
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPixelSize(28);
    label.setFont(font);
    label.setStyleSheet(QStringLiteral("background:white;color:black;padding:20px"));
    label.setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    label.setGeometry(200, 600, 500, 90);
    label.show();
    QVERIFY(QTest::qWaitForWindowExposed(&label));
    QVERIFY(clearClipboard());
    QVERIFY(openOverlay());
    QVERIFY(select(QPoint(205, 605), QPoint(695, 685)));
    key(QStringLiteral("ctrl+r"));
    QVERIFY(waitForOverlayToClose());
    QVERIFY(waitUntil([&] { return QString::fromUtf8(clipboardData(QStringLiteral("UTF8_STRING"))).trimmed() == text; },
                      60000));
    for (const QString &window : visibleWindows(QStringLiteral("^识别结果$"), program->pid())) {
        activate(window);
        key(QStringLiteral("Escape"));
    }
}

QTEST_MAIN(TestE2eRegion)
#include "tst_e2e_region.moc"
