#include "Desktop.h"

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
    void panelSitsAboveBottomRightCorner();
    void trayMenuHoldsThreeEntriesInOrder();
    void trayClickHidesDoubleClickShows();
    void panelMenuExitsWithZero();
    void draggingBackgroundMovesPanel();
};

namespace {

const QString programClass = QStringLiteral("tavo-screenshot");
const QString programTitle = QStringLiteral("TAVO截图");

quint64 idNumber(const QString &id) { return id.toULongLong(nullptr, 0); }

// One property of a window as xprop prints it after "=", e.g. "\"TAVO截图\"".
QString windowProperty(const QString &id, const QString &property)
{
    const QString line = QString::fromUtf8(
        run(QStringLiteral("xprop"), {QStringLiteral("-id"), id, QStringLiteral("-notype"), property}));
    return line.section(QLatin1Char('='), 1).trimmed();
}

bool hasTitle(const QString &id)
{
    return windowProperty(id, QStringLiteral("_NET_WM_NAME")) == QLatin1Char('"') + programTitle + QLatin1Char('"');
}

bool hasType(const QString &id, const char *type)
{
    return windowProperty(id, QStringLiteral("_NET_WM_WINDOW_TYPE")).startsWith(QLatin1String(type));
}

// The process's visible windows that carry the program's title and are of the given type: the
// panel is a utility window, help windows are normal ones.
QStringList titledWindows(qint64 pid, const char *type)
{
    QStringList found;
    for (const QString &id : visibleWindowsOfClass(programClass, pid))
        if (hasTitle(id) && hasType(id, type))
            found << id;
    return found;
}

QString panelWindow(qint64 pid)
{
    QString panel;
    waitUntil([&] {
        panel = titledWindows(pid, "_NET_WM_WINDOW_TYPE_UTILITY").value(0);
        return !panel.isEmpty();
    }, 15000);
    return panel;
}

int helpWindowCount(qint64 pid) { return titledWindows(pid, "_NET_WM_WINDOW_TYPE_NORMAL").size(); }

bool startedAndReady(Program &program)
{
    return program.isRunning() && !panelWindow(program.pid()).isEmpty()
           && waitUntil([] { return !trayIconWindow(programClass).isEmpty(); });
}

bool endsWithZero(Program &program)
{
    return program.waitForExit(10000) && program.exitStatus() == QProcess::NormalExit
           && program.exitCode() == 0;
}

bool menuIsOpen(qint64 pid)
{
    for (const QString &id : visibleWindowsOfClass(programClass, pid))
        if (hasType(id, "_NET_WM_WINDOW_TYPE_POPUP_MENU"))
            return true;
    return false;
}

// Opens a menu with a right click on `window` at (x, y) and waits for the popup.
bool openMenuOn(const QString &window, int x, int y, qint64 pid)
{
    if (!waitUntil([&] { return !menuIsOpen(pid); }, 5000))
        return false;
    xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), window, QString::number(x),
             QString::number(y), QStringLiteral("click"), QStringLiteral("3")});
    return waitUntil([&] { return menuIsOpen(pid); }, 5000);
}

// Picks the n-th entry (1-based) of the open menu with the keyboard.
void chooseEntry(int n)
{
    QStringList keys{QStringLiteral("key")};
    for (int i = 0; i < n; ++i)
        keys << QStringLiteral("Down");
    keys << QStringLiteral("Return");
    xdotool(keys);
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
    // One tray icon and one panel: the running instance was left as it was.
    QCOMPARE(visibleWindowsOfClass(programClass).size(), 2);

    first.terminate(SIGTERM);
    QVERIFY(endsWithZero(first));
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
    Program next;
    QVERIFY2(startedAndReady(next), "a killed instance's marker kept the next start out");
    next.terminate(SIGTERM);
    QVERIFY(endsWithZero(next));
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
    Program next;
    QVERIFY(startedAndReady(next));
    next.terminate(SIGTERM);
    QVERIFY(endsWithZero(next));
}

void StartupTest::panelSitsAboveBottomRightCorner()
{
    Program program;
    QVERIFY(startedAndReady(program));
    const QRect panel = windowGeometry(panelWindow(program.pid()));
    const QSize screen = screenSize();
    QVERIFY(!panel.isEmpty());
    QCOMPARE(panel.x() + panel.width(), screen.width());
    QCOMPARE(panel.y() + panel.height(), screen.height() - 40);
    program.terminate(SIGTERM);
    QVERIFY(endsWithZero(program));
}

void StartupTest::trayMenuHoldsThreeEntriesInOrder()
{
    Program program;
    QVERIFY(startedAndReady(program));
    QVERIFY(isEmbeddedInTray(programClass));
    const QString tray = trayIconWindow(programClass);
    const QString panel = panelWindow(program.pid());
    // Each menu is opened at another point of the icon, so that two quick right clicks are not
    // taken for a double click (which opens no menu).

    // Entry 2, "帮助": a help window titled like the panel.
    QVERIFY(openMenuOn(tray, 4, 4, program.pid()));
    chooseEntry(2);
    QVERIFY(waitUntil([&] { return helpWindowCount(program.pid()) == 1; }));
    QVERIFY(isViewable(panel));

    // Entry 1, "隐藏图标": the panel goes, the tray icon stays.
    QVERIFY(openMenuOn(tray, 17, 17, program.pid()));
    chooseEntry(1);
    QVERIFY(waitUntil([&] { return !isViewable(panel); }));
    QVERIFY(isEmbeddedInTray(programClass));
    QVERIFY(program.isRunning());

    // Entry 3, "退出程序".
    QVERIFY(openMenuOn(tray, 4, 17, program.pid()));
    chooseEntry(3);
    QVERIFY(endsWithZero(program));
}

void StartupTest::trayClickHidesDoubleClickShows()
{
    Program program;
    QVERIFY(startedAndReady(program));
    const QString tray = trayIconWindow(programClass);
    const QString panel = panelWindow(program.pid());

    xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), tray, QStringLiteral("5"),
             QStringLiteral("5"), QStringLiteral("click"), QStringLiteral("1")});
    QVERIFY(waitUntil([&] { return !isViewable(panel); }));
    // Let the next clicks count as a double click of their own.
    QTest::qWait(600);
    xdotool({QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("2"),
             QStringLiteral("--delay"), QStringLiteral("80"), QStringLiteral("1")});
    QVERIFY(waitUntil([&] { return isViewable(panel); }));
    program.terminate(SIGTERM);
    QVERIFY(endsWithZero(program));
}

void StartupTest::panelMenuExitsWithZero()
{
    Program program;
    QVERIFY(startedAndReady(program));
    // A margin point: the background, not a button.
    QVERIFY(openMenuOn(panelWindow(program.pid()), 3, 3, program.pid()));
    chooseEntry(3);
    QVERIFY(endsWithZero(program));

    Program next;
    QVERIFY(startedAndReady(next));
    next.terminate(SIGTERM);
    QVERIFY(endsWithZero(next));
}

void StartupTest::draggingBackgroundMovesPanel()
{
    Program program;
    QVERIFY(startedAndReady(program));
    const QString panel = panelWindow(program.pid());
    const QRect before = windowGeometry(panel);
    const QPoint grab = before.topLeft() + QPoint(3, 3);
    const QPoint drop = grab - QPoint(300, 200);
    auto at = [](const QPoint &p) { return QStringList{QString::number(p.x()), QString::number(p.y())}; };

    xdotool(QStringList{QStringLiteral("mousemove")} + at(grab) + QStringList{QStringLiteral("mousedown"), QStringLiteral("1"), QStringLiteral("mousemove")}
            + at(grab - QPoint(100, 50)) + QStringList{QStringLiteral("mousemove")} + at(drop)
            + QStringList{QStringLiteral("mouseup"), QStringLiteral("1")});
    const bool moved = waitUntil([&] { return windowGeometry(panel).topLeft() == before.topLeft() - QPoint(300, 200); }, 5000);
    QVERIFY2(moved, qPrintable(QStringLiteral("from %1,%2 to %3,%4").arg(before.x()).arg(before.y())
                                   .arg(windowGeometry(panel).x()).arg(windowGeometry(panel).y())));
    QCOMPARE(windowGeometry(panel).size(), before.size());
    program.terminate(SIGTERM);
    QVERIFY(endsWithZero(program));
}

QTEST_GUILESS_MAIN(StartupTest)
#include "tst_e2e_startup.moc"
