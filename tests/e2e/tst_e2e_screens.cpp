#include "Desktop.h"
#include "TestSupport.h"

#include <QtTest>

#include <csignal>
#include <memory>

using namespace e2e;

namespace {
// As scripts/with-desktop.sh lays out TAVO_HEADS="1920x1080 1280x1024": side by side, joined by
// Xinerama; below the smaller screen lies a strip that no screen shows.
const QRect primary(0, 0, 1920, 1080);
const QRect second(1920, 0, 1280, 1024);
const QSize desktop(3200, 1080);
constexpr int taskBarAllowance = 40;
constexpr int buttonSize = 25;

// A spot of the screen shows something other than the pattern (a button, a mark).
bool covered(const QImage &shot, const QPoint &p)
{
    return shot.pixel(p) != support::patternPixel(p.x(), p.y());
}
} // namespace

// The program on two screens of different sizes: the full capture spans both, a region is taken
// on the screen where the drag starts, the overlay's buttons stay on that screen near its corner,
// and everything stays pixel for pixel with the toolkit scaled twice.
class TestE2eScreens : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void panelSitsAtThePrimaryBottomRight();
    void fullCaptureSpansBothScreens();
    void regionOnTheSecondScreen();
    void buttonsStayOnTheScreenNearItsCorner();
    void scaledTwiceStaysPixelExact();

private:
    void start(const QByteArray &scale = "1");
    QImage fullCapture();
    bool openOverlays();
    bool overlaysClosed();
    QImage copyRegion(const QPoint &from, const QPoint &release, const QPoint &copyButton);

    std::unique_ptr<Program> program;
    std::unique_ptr<ForeignWindow> foreign;
};

void TestE2eScreens::initTestCase()
{
    QCOMPARE(screenSize(), desktop);
    QVERIFY(showPatternOnRoot(desktop));
}

void TestE2eScreens::cleanup()
{
    foreign.reset();
    if (program) {
        program->terminate(SIGTERM);
        QVERIFY(endsWithZero(*program));
        program.reset();
    }
}

void TestE2eScreens::start(const QByteArray &scale)
{
    qputenv("QT_SCALE_FACTOR", scale);
    program = std::make_unique<Program>();
    QVERIFY(!panelWindow(program->pid()).isEmpty());
    // The keys reach the program through its system-wide grabs, with the foreign window (on the
    // primary screen's upper half) focused.
    foreign = std::make_unique<ForeignWindow>();
    QVERIFY(foreign->activate());
}

QImage TestE2eScreens::fullCapture()
{
    if (!clearClipboard())
        return {};
    key(QStringLiteral("ctrl+alt+x"));
    return waitForClipboardImage() ? clipboardImage() : QImage();
}

bool TestE2eScreens::openOverlays()
{
    key(QStringLiteral("ctrl+alt+f"));
    // One overlay on each screen, each painted with its own corner mark.
    return waitUntil([this] { return windowCovers(program->pid(), primary) && windowCovers(program->pid(), second); })
        && waitUntil([] {
               const QImage shot = screenShot();
               return shot.pixel(5, 5) == qRgb(255, 0, 0) && shot.pixel(second.left() + 5, 5) == qRgb(255, 0, 0);
           });
}

bool TestE2eScreens::overlaysClosed()
{
    return waitUntil([this] { return !windowCovers(program->pid(), primary) && !windowCovers(program->pid(), second); });
}

// Drags a selection, waits for the button row, clicks the copy button and returns what the
// clipboard then holds.
QImage TestE2eScreens::copyRegion(const QPoint &from, const QPoint &release, const QPoint &copyButton)
{
    if (!clearClipboard() || !openOverlays())
        return {};
    dragOnScreen(from, release);
    if (!waitUntil([&] { return covered(screenShot(), copyButton); }))
        return {};
    clickAt(copyButton);
    if (!overlaysClosed() || !waitForClipboardImage())
        return {};
    return clipboardImage();
}

void TestE2eScreens::panelSitsAtThePrimaryBottomRight()
{
    start();
    const QRect panel = windowGeometry(panelWindow(program->pid()));
    QCOMPARE(panel.right(), primary.right());
    QCOMPARE(panel.bottom(), primary.bottom() - taskBarAllowance);
}

void TestE2eScreens::fullCaptureSpansBothScreens()
{
    start();
    const QImage picture = fullCapture();
    QCOMPARE(picture.size(), desktop);
    // Both screens as they are, below the foreign window and above the tray (the panel is away);
    // black where no screen is.
    const QRect primaryPart(0, 360, 1920, 660);
    QString difference = support::differenceFromPattern(picture.copy(primaryPart), primaryPart.topLeft());
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    difference = support::differenceFromPattern(picture.copy(second), second.topLeft());
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    QCOMPARE(picture.pixel(3100, 1050), qRgb(0, 0, 0));
}

void TestE2eScreens::regionOnTheSecondScreen()
{
    start();
    // Dragged on to the primary screen: the selection ends at the second one's left edge, and the
    // button row (cancel, save, copy) starts there.
    const QImage copied = copyRegion(QPoint(2400, 300), QPoint(1500, 100), QPoint(1920 + 100 + 12, 120 + 12));
    QCOMPARE(copied.size(), QSize(479, 199));
    const QString difference = support::differenceFromPattern(copied, QPoint(1921, 101));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestE2eScreens::buttonsStayOnTheScreenNearItsCorner()
{
    start();
    QVERIFY(clearClipboard());
    QVERIFY(openOverlays());
    // Released 10 px from the second screen's bottom-right corner: the row moves above the
    // pointer and left until all of it is on that screen, still cancel, save, copy.
    const QPoint release = second.bottomRight() - QPoint(10, 10);
    dragOnScreen(QPoint(2800, 700), release);
    const int top = release.y() - 20 - buttonSize;
    const int left = second.right() + 1 - 125;
    const QVector<QPoint> centres{{left + 12, top + 12}, {left + 62, top + 12}, {left + 112, top + 12}};
    QVERIFY(waitUntil([&] { return covered(screenShot(), centres.last()); }));
    const QImage shot = screenShot();
    for (const QPoint &centre : centres) {
        QVERIFY(second.contains(centre + QPoint(12, 12)));
        QVERIFY(covered(shot, centre));
    }
    // The copy button answers where it now stands.
    clickAt(centres.last());
    QVERIFY(overlaysClosed());
    QVERIFY(waitForClipboardImage());
    const QString difference = support::differenceFromPattern(clipboardImage(), QPoint(2801, 701));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestE2eScreens::scaledTwiceStaysPixelExact()
{
    start("2");
    const QImage picture = fullCapture();
    QCOMPARE(picture.size(), desktop);
    QString difference = support::differenceFromPattern(picture.copy(second), second.topLeft());
    QVERIFY2(difference.isEmpty(), qPrintable(difference));

    // On the scaled second screen a logical pixel is two device ones, and the selection is made
    // in device pixels, as the pointer moves: a drag from (2100, 100) to (2400, 300) copies from
    // one device pixel inside, (2101, 101). The buttons stand at the release point's logical place.
    const QPoint copyButton = second.topLeft() + 2 * QPoint(240 + 50 + 12, 150 + 20 + 12);
    const QImage copied = copyRegion(QPoint(2100, 100), QPoint(2400, 300), copyButton);
    QCOMPARE(copied.size(), QSize(299, 199));
    difference = support::differenceFromPattern(copied, QPoint(2101, 101));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

QTEST_GUILESS_MAIN(TestE2eScreens)
#include "tst_e2e_screens.moc"
