#include "Desktop.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTest>

#include <csignal>
#include <memory>
#include <vector>

using namespace e2e;

// The real program on a private desktop: one instance per session whatever happens to the
// others, an orderly end on signals, the panel's place, the tray icon and both menus, dragging.
class StartupTest : public QObject
{
    Q_OBJECT

private slots:
    void secondStartEndsAtOnce();
    void killedInstanceDoesNotBlock();
    void simultaneousStartsLeaveOne();
    void signalEndsLikeExitEntry_data();
    void signalEndsLikeExitEntry();
    void panelSitsAboveBottomRightCornerAndDrags();
    void trayMenuHoldsItsEntriesInOrder();
    void trayClickHidesDoubleClickShows();
    void autostartEntryComesAndGoes();
    void panelMenuExitsWithZero();
};

namespace {

int helpWindowCount(qint64 pid) { return titledWindows(pid, "_NET_WM_WINDOW_TYPE_NORMAL").size(); }

bool startedAndReady(Program &program)
{
    return program.isRunning() && !panelWindow(program.pid()).isEmpty()
           && waitUntil([] { return !trayIconWindow(programClass).isEmpty(); });
}

bool terminatedWithZero(Program &program)
{
    program.terminate(SIGTERM);
    return endsWithZero(program);
}

// A later start comes up: nothing the earlier instance left behind keeps it out.
bool nextStartComesUp()
{
    Program next;
    return startedAndReady(next) && terminatedWithZero(next);
}

} // namespace

void StartupTest::secondStartEndsAtOnce()
{
    Program first;
    QVERIFY(startedAndReady(first));
    const QString panel = panelWindow(first.pid());

    Program second;
    const qint64 secondPid = second.pid();
    QVERIFY(endsWithZero(second));
    QVERIFY(first.isRunning());
    QVERIFY(isViewable(panel));
    QCOMPARE(visibleWindowsOfClass(programClass, secondPid).size(), 0);
    // One tray icon and one panel: the later start made none of its own.
    QCOMPARE(visibleWindowsOfClass(programClass).size(), 2);

    QVERIFY(terminatedWithZero(first));
}

void StartupTest::killedInstanceDoesNotBlock()
{
    {
        Program doomed;
        QVERIFY(startedAndReady(doomed));
        doomed.terminate(SIGKILL);
        QVERIFY(doomed.waitForExit());
        QCOMPARE(doomed.exitStatus(), QProcess::CrashExit);
    }
    QVERIFY2(nextStartComesUp(), "a killed instance's marker kept the next start out");
}

void StartupTest::simultaneousStartsLeaveOne()
{
    std::vector<std::unique_ptr<Program>> starts;
    for (int i = 0; i < 4; ++i)
        starts.push_back(std::make_unique<Program>());

    auto running = [&] {
        int count = 0;
        for (auto &program : starts)
            count += program->isRunning();
        return count;
    };
    QVERIFY(waitUntil([&] { return running() <= 1; }, 15000));
    QCOMPARE(running(), 1);
    for (auto &program : starts) {
        if (program->isRunning()) {
            QVERIFY(startedAndReady(*program));
            program->terminate(SIGTERM);
        }
        QVERIFY(endsWithZero(*program));
    }
}

void StartupTest::signalEndsLikeExitEntry_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGHUP") << SIGHUP;
}

void StartupTest::signalEndsLikeExitEntry()
{
    QFETCH(int, signalNumber);
    {
        Program program;
        QVERIFY(startedAndReady(program));
        program.terminate(signalNumber);
        QVERIFY(endsWithZero(program));
        // The panel went with it, and so did its tray icon.
        QVERIFY(waitUntil([] { return trayIconWindow(programClass).isEmpty(); }));
    }
    QVERIFY(nextStartComesUp());
}

void StartupTest::trayMenuHoldsItsEntriesInOrder()
{
    Program program;
    QVERIFY(startedAndReady(program));
    QVERIFY(isEmbeddedInTray(programClass));
    const QString tray = trayIconWindow(programClass);
    const QString panel = panelWindow(program.pid());
    // Each menu is opened at another point of the icon, so that two quick right clicks are not
    // taken for a double click (which opens no menu).

    // Entry 2, "帮助": a help window titled like the panel.
    QVERIFY(openMenuOn(tray, QPoint(4, 4), program.pid()));
    chooseMenuEntry(2);
    QVERIFY(waitUntil([&] { return helpWindowCount(program.pid()) == 1; }));
    QVERIFY(isViewable(panel));

    // Entry 1, "隐藏图标": the panel goes, the tray icon stays.
    QVERIFY(openMenuOn(tray, QPoint(17, 17), program.pid()));
    chooseMenuEntry(1);
    QVERIFY(waitUntil([&] { return !isViewable(panel); }));
    QVERIFY(isEmbeddedInTray(programClass));
    QVERIFY(program.isRunning());

    // Entry 4, after the separator, "显示面板": the panel comes back.
    QVERIFY(openMenuOn(tray, QPoint(17, 4), program.pid()));
    chooseMenuEntry(4);
    QVERIFY(waitUntil([&] { return isViewable(panel); }));

    // Entry 3, "退出程序".
    QVERIFY(openMenuOn(tray, QPoint(4, 17), program.pid()));
    chooseMenuEntry(3);
    QVERIFY(endsWithZero(program));
}

void StartupTest::trayClickHidesDoubleClickShows()
{
    Program program;
    QVERIFY(startedAndReady(program));
    const QString tray = trayIconWindow(programClass);
    const QString panel = panelWindow(program.pid());

    clickOnWindow(tray, QPoint(5, 5));
    QVERIFY(waitUntil([&] { return !isViewable(panel); }));
    // Let the next clicks count as a double click of their own.
    QTest::qWait(600);
    xdotool({QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("2"),
             QStringLiteral("--delay"), QStringLiteral("80"), QStringLiteral("1")});
    QVERIFY(waitUntil([&] { return isViewable(panel); }));
    QVERIFY(terminatedWithZero(program));
}

void StartupTest::autostartEntryComesAndGoes()
{
    // The checkable entry below the separator writes the session's autostart entry and takes it
    // away again; the desktop's own folder holds the choice.
    constexpr int autostartEntry = 8;
    const QString entry = QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
                              .filePath(QStringLiteral("autostart/tavo-screenshot.desktop"));
    QFile::remove(entry);
    Program program;
    QVERIFY(startedAndReady(program));
    const QString tray = trayIconWindow(programClass);

    QVERIFY(openMenuOn(tray, QPoint(4, 4), program.pid()));
    chooseMenuEntry(autostartEntry);
    QVERIFY(waitUntil([&] { return QFile::exists(entry); }));
    QFile file(entry);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains(QFile::encodeName(programPath())));

    QVERIFY(openMenuOn(tray, QPoint(17, 17), program.pid()));
    chooseMenuEntry(autostartEntry);
    QVERIFY(waitUntil([&] { return !QFile::exists(entry); }));
    QVERIFY(terminatedWithZero(program));
}

void StartupTest::panelMenuExitsWithZero()
{
    Program program;
    QVERIFY(startedAndReady(program));
    // A margin point: the background, not a button.
    QVERIFY(openMenuOn(panelWindow(program.pid()), QPoint(3, 3), program.pid()));
    chooseMenuEntry(3);
    QVERIFY(endsWithZero(program));

    QVERIFY(nextStartComesUp());
}

void StartupTest::panelSitsAboveBottomRightCornerAndDrags()
{
    Program program;
    QVERIFY(startedAndReady(program));
    const QString panel = panelWindow(program.pid());
    const QRect before = windowGeometry(panel);
    const QSize screen = screenSize();
    QVERIFY(!before.isEmpty());
    QCOMPARE(before.x() + before.width(), screen.width());
    QCOMPARE(before.y() + before.height(), screen.height() - 40);

    // Dragged by its background, it moves by the drag.
    const QPoint grab = before.topLeft() + QPoint(3, 3);
    dragOnScreen(grab, grab - QPoint(300, 200));
    const bool moved = waitUntil([&] { return windowGeometry(panel).topLeft() == before.topLeft() - QPoint(300, 200); });
    QVERIFY2(moved, qPrintable(QStringLiteral("from %1,%2 to %3,%4").arg(before.x()).arg(before.y())
                                   .arg(windowGeometry(panel).x()).arg(windowGeometry(panel).y())));
    QCOMPARE(windowGeometry(panel).size(), before.size());
    QVERIFY(terminatedWithZero(program));
}

QTEST_GUILESS_MAIN(StartupTest)
#include "tst_e2e_startup.moc"
