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
    void selectionGivesItsInside_data();
    void selectionGivesItsInside();

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
    const QString difference = differenceFromPattern(picture, inside.topLeft());
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

QTEST_MAIN(TestE2eRegion)
#include "tst_e2e_region.moc"
