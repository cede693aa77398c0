#include "Desktop.h"

#include "TestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>

using namespace e2e;

// Captures of the moment and the place the user means: after a delay, of the focused window
// alone, and of the region taken last.
class MomentTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void delayedOneShotHoldsWindowMappedMeanwhile();
    void windowIsItsOuterFrame();
    void lastRegionOpensChosenAndIsWrittenAgain();
    void secondRequestDuringDelayStartsNothing();

private:
    QTemporaryDir folder;
};

namespace {

const QSize screen(1920, 1080);

bool startedAndReady(Program &program)
{
    return program.isRunning() && !panelWindow(program.pid()).isEmpty()
           && waitUntil([] { return !trayIconWindow(programClass).isEmpty(); });
}

bool overlayIsOpen(qint64 pid)
{
    return windowCovers(pid, QRect(QPoint(0, 0), screen));
}

bool waitForOverlay(qint64 pid)
{
    // Up, full screen, and painted: the red corner mark shows where the pattern was.
    return waitUntil([pid] { return overlayIsOpen(pid); })
        && waitUntil([] { return screenShot().pixel(5, 5) == qRgb(255, 0, 0); });
}

} // namespace

void MomentTest::initTestCase()
{
    QVERIFY(folder.isValid());
    QVERIFY(showPatternOnRoot(screen));
}

void MomentTest::delayedOneShotHoldsWindowMappedMeanwhile()
{
    const QString file = folder.filePath(QStringLiteral("delayed.png"));
    Program shot({QStringLiteral("--delay"), QStringLiteral("2"), QStringLiteral("--full"), QStringLiteral("-o"), file});
    // The window comes a second after the command; the wait is what is tested.
    QTest::qWait(1000);
    QVERIFY(shot.isRunning());
    ForeignWindow late;
    QVERIFY(!late.windowId().isEmpty());
    const QRect frame = outerFrame(late.windowId());
    QVERIFY(frame.isValid());
    const QImage seen = support::asRgb32(screenShot().copy(frame));
    QVERIFY(shot.waitForExit(10000));
    QCOMPARE(shot.exitCode(), 0);
    QCOMPARE(support::asRgb32(QImage(file).copy(frame)), seen);
}

void MomentTest::windowIsItsOuterFrame()
{
    Program instance;
    QVERIFY(startedAndReady(instance));
    ForeignWindow window;
    QVERIFY(window.activate());
    const QRect frame = outerFrame(window.windowId());
    QVERIFY2(frame.isValid() && frame != windowGeometry(window.windowId()), "no decorated frame");
    const QImage before = support::asRgb32(screenShot().copy(frame));

    const QString file = folder.filePath(QStringLiteral("window.png"));
    const Finished oneShot = runProgram({QStringLiteral("--window"), QStringLiteral("-o"), file});
    QVERIFY2(oneShot.status == 0, oneShot.errors.constData());
    QCOMPARE(support::asRgb32(QImage(file)), before);

    // Handed to the running instance: the same frame onto the clipboard.
    QVERIFY(clearClipboard());
    QVERIFY(window.activate());
    QCOMPARE(runProgram({QStringLiteral("--window")}).status, 0);
    QVERIFY(waitForClipboardImage(20000));
    QCOMPARE(support::asRgb32(clipboardImage()), before);
    instance.terminate(SIGTERM);
    QVERIFY(endsWithZero(instance));
}

void MomentTest::lastRegionOpensChosenAndIsWrittenAgain()
{
    // A fresh process keeps no region: it says so, and writes nothing.
    const QString early = folder.filePath(QStringLiteral("early.png"));
    const Finished none = runProgram({QStringLiteral("--region"), QStringLiteral("--last"), QStringLiteral("-o"), early});
    QCOMPARE(none.status, 1);
    QVERIFY2(none.errors.contains("no region"), none.errors.constData());
    QVERIFY(!QFile::exists(early));

    Program instance;
    QVERIFY(startedAndReady(instance));
    const QString panel = panelWindow(instance.pid());
    QCOMPARE(runProgram({QStringLiteral("--region")}).status, 0);
    QVERIFY(waitForOverlay(instance.pid()));
    const QPoint release(300, 200);
    dragOnScreen(QPoint(100, 100), release);
    const QPoint save = release + QPoint(12, 32);
    QVERIFY(waitUntil([&] { return screenShot().pixel(save) != support::patternPixel(save.x(), save.y()); }));
    key(QStringLiteral("Return"));
    QVERIFY(waitUntil([&] { return !overlayIsOpen(instance.pid()); }));
    QVERIFY(waitForClipboardImage());
    QVERIFY(waitUntil([&] { return isViewable(panel); }));

    // Again, chosen already: Enter alone copies the same.
    QVERIFY(clearClipboard());
    QCOMPARE(runProgram({QStringLiteral("--region"), QStringLiteral("--last")}).status, 0);
    QVERIFY(waitForOverlay(instance.pid()));
    key(QStringLiteral("Return"));
    QVERIFY(waitUntil([&] { return !overlayIsOpen(instance.pid()); }));
    QVERIFY(waitForClipboardImage());
    const QImage copied = clipboardImage();
    QCOMPARE(copied.size(), QSize(199, 99));
    QString difference = support::differenceFromPattern(copied, QPoint(101, 101));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));

    // Into a file, without the overlay.
    QVERIFY(waitUntil([&] { return isViewable(panel); }));
    const QString file = folder.filePath(QStringLiteral("last.png"));
    QCOMPARE(runProgram({QStringLiteral("--region"), QStringLiteral("--last"), QStringLiteral("-o"), file}).status, 0);
    QVERIFY(waitUntil([&] { return QFile::exists(file) && !QImage(file).isNull(); }));
    QVERIFY(!overlayIsOpen(instance.pid()));
    QCOMPARE(QImage(file).size(), QSize(199, 99));
    difference = support::differenceFromPattern(QImage(file), QPoint(101, 101));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    instance.terminate(SIGTERM);
    QVERIFY(endsWithZero(instance));
}

void MomentTest::secondRequestDuringDelayStartsNothing()
{
    Program instance;
    QVERIFY(startedAndReady(instance));
    QVERIFY(clearClipboard());
    const QRect icon = windowGeometry(trayIconWindow(programClass));
    QVERIFY(!icon.isEmpty());
    QTest::qWait(300);  // the tray host has drawn the icon
    const QImage plainIcon = screenShot().copy(icon);
    QCOMPARE(runProgram({QStringLiteral("--delay"), QStringLiteral("8"), QStringLiteral("--full")}).status, 0);
    // The seconds left stand over the icon while it waits.
    QVERIFY(waitUntil([&] { return screenShot().copy(icon) != plainIcon; }, 5000));
    QCOMPARE(runProgram({QStringLiteral("--region")}).status, 0);
    // Told that one waits; no overlay, and the first still comes.
    const QString message = waitForMessage(instance.pid());
    QVERIFY(!message.isEmpty());
    QVERIFY2(messageText(message).contains(QStringLiteral("延时截图")), qPrintable(messageText(message)));
    QVERIFY(!overlayIsOpen(instance.pid()));
    // The notice, left open, neither holds the capture back nor stays in its way.
    QVERIFY(waitForClipboardImage(20000));
    QVERIFY(waitUntil([&] { return !isViewable(message); }));
    QCOMPARE(clipboardImage().size(), screen);
    QVERIFY(!overlayIsOpen(instance.pid()));
    QVERIFY(waitUntil([&] { return screenShot().copy(icon) == plainIcon; }));
    instance.terminate(SIGTERM);
    QVERIFY(endsWithZero(instance));
}

QTEST_GUILESS_MAIN(MomentTest)
#include "tst_e2e_moment.moc"
