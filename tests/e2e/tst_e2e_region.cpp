#include "Desktop.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QImage>
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

// Compares a picture with the screen's test pattern from `origin` on; returns the first
// difference, or an empty string when every pixel matches.
QString differenceFromPattern(const QImage &picture, const QPoint &origin)
{
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb expected = support::patternPixel(origin.x() + x, origin.y() + y);
            if ((picture.pixel(x, y) & 0xffffff) != (expected & 0xffffff))
                return QStringLiteral("pixel (%1,%2): %3, screen has %4")
                    .arg(x).arg(y).arg(picture.pixel(x, y), 0, 16).arg(expected, 0, 16);
        }
    return {};
}
} // namespace

class TestE2eRegion : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void hotKeyOpensOverlayAndLeavesPanel();
    void escapeAndCancelLeaveNoTrace();
    void copyGivesTheInsideOfTheSelection();
    void saveGivesAFileThroughTheDialog();
    void reversedSelectionSavedFromTheMiddle();

private:
    bool openOverlay();
    bool waitForOverlay();
    bool overlayIsOpen();
    bool waitForOverlayToClose();
    bool select(const QPoint &from, const QPoint &release);
    bool saveThroughDialog(const QString &fileName);

    std::unique_ptr<Program> program;
    QString panel;
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
    // Selections below stay in the top-left part of the screen, clear of the panel and the tray.
    const QRect panelArea = windowGeometry(panel);
    QVERIFY(panelArea.top() > 800 && panelArea.left() > 1200);
}

bool TestE2eRegion::overlayIsOpen()
{
    for (const QString &window : visibleWindows(QStringLiteral(".*"), program->pid()))
        if (windowGeometry(window) == QRect(QPoint(0, 0), screen))
            return true;
    return false;
}

bool TestE2eRegion::waitForOverlay()
{
    // Up, full screen, and painted: the red corner mark shows where the pattern was.
    return waitUntil([this] { return overlayIsOpen(); })
        && waitUntil([] { return screenShot().pixel(5, 5) == qRgb(255, 0, 0); });
}

bool TestE2eRegion::openOverlay()
{
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

void TestE2eRegion::hotKeyOpensOverlayAndLeavesPanel()
{
    ForeignWindow foreign;
    QVERIFY(foreign.activate());
    key(QStringLiteral("ctrl+alt+f"));
    QVERIFY(waitForOverlay());
    // The panel is not taken away for a region capture: it stays mapped under the overlay.
    QVERIFY(isViewable(panel));

    const QPoint release(300, 200);
    QVERIFY(select(QPoint(100, 100), release));
    clickAt(cancelButtonFor(release));
    QVERIFY(waitForOverlayToClose());
    QVERIFY(isViewable(panel));
}

void TestE2eRegion::escapeAndCancelLeaveNoTrace()
{
    QVERIFY(openOverlay());
    const QPoint release(300, 200);
    QVERIFY(select(QPoint(100, 100), release));
    key(QStringLiteral("Escape"));
    QTest::qWait(500);
    QVERIFY2(overlayIsOpen(), "Escape closed the overlay");

    clickAt(cancelButtonFor(release));
    QVERIFY(waitForOverlayToClose());
    QTest::qWait(300);
    QVERIFY(!clipboardTargets().contains(QStringLiteral("image/png")));
    QVERIFY(QDir(folder.path()).isEmpty());
    QVERIFY(visibleWindows(QStringLiteral("^save flie$"), program->pid()).isEmpty());
}

void TestE2eRegion::copyGivesTheInsideOfTheSelection()
{
    QVERIFY(openOverlay());
    const QPoint release(300, 200);
    QVERIFY(select(QPoint(100, 100), release));
    clickAt(copyButtonFor(release));
    QVERIFY(waitForOverlayToClose());
    QVERIFY(waitForClipboardImage());
    const QImage copied = clipboardImage();
    QCOMPARE(copied.size(), QSize(199, 99));
    const QString difference = differenceFromPattern(copied, QPoint(101, 101));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestE2eRegion::saveGivesAFileThroughTheDialog()
{
    QVERIFY(openOverlay());
    const QPoint release(300, 200);
    QVERIFY(select(QPoint(100, 100), release));
    clickAt(saveButtonFor(release));
    const QString file = folder.filePath(QStringLiteral("region.png"));
    QVERIFY(saveThroughDialog(file));
    QVERIFY(waitForOverlayToClose());
    const QImage saved(file);
    QCOMPARE(saved.size(), QSize(198, 98));
    const QString difference = differenceFromPattern(saved, QPoint(101, 101));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestE2eRegion::reversedSelectionSavedFromTheMiddle()
{
    // Dragged up and left: the buttons then stand over the selection, and the dialog opens over
    // it too; neither may end up in the picture.
    QVERIFY(openOverlay());
    const QPoint release(700, 400);
    QVERIFY(select(QPoint(1100, 700), release));
    clickAt(saveButtonFor(release));
    const QString file = folder.filePath(QStringLiteral("middle.png"));
    QVERIFY(saveThroughDialog(file));
    QVERIFY(waitForOverlayToClose());
    const QImage saved(file);
    QCOMPARE(saved.size(), QSize(398, 298));
    const QString difference = differenceFromPattern(saved, QPoint(701, 401));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

QTEST_MAIN(TestE2eRegion)
#include "tst_e2e_region.moc"
