#include "Desktop.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <unistd.h>

using namespace e2e;

// The command line of the real program: actions handed to the running instance, the one-shot
// capture for scripts, no desktop at all, a quiet terminal, and plug-ins planted in the folder it
// is started from. (Strangers on the instance channel are met in the instance tests.)
class CliTest : public QObject
{
    Q_OBJECT

private slots:
    void fullHandsCaptureToRunningInstance();
    void boardOpensFileInRunningInstance();
    void plainSecondStartShowsHiddenPanel();
    void quitEndsInstanceWithZero();
    void oneShotWritesExactDesktopWithoutInstance();
    void oneShotFailsLoudlyIntoUnwritableFolder();
    void noDisplayEndsWithOneLine();
    void capturesAreQuietWithoutSound_data();
    void capturesAreQuietWithoutSound();
    void pluginsInCurrentFolderAreNotLoaded();
};

namespace {

bool startedAndReady(Program &program)
{
    return program.isRunning() && !panelWindow(program.pid()).isEmpty()
           && waitUntil([] { return !trayIconWindow(programClass).isEmpty(); });
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

int sharedMemorySegments()
{
    QFile list(QStringLiteral("/proc/sysvipc/shm"));
    return list.open(QIODevice::ReadOnly) ? list.readAll().count('\n') : -1;
}

// Whether the bottom-right corner of the known pattern of the given size shows inside `area`,
// pixel for pixel (a board draws its picture from its window's corner, under its bars, so the
// picture's far corner is what shows).
bool showsPatternCorner(const QImage &shot, const QRect &area, const QSize &size)
{
    constexpr int block = 12;
    const QPoint last(size.width() - 1, size.height() - 1);
    for (int y = area.top() + block; y <= area.bottom(); ++y) {
        for (int x = area.left() + block; x <= area.right(); ++x) {
            if (shot.pixel(x, y) != support::patternPixel(last.x(), last.y()))
                continue;
            bool same = true;
            for (int dy = 0; dy < block && same; ++dy)
                for (int dx = 0; dx < block && same; ++dx)
                    same = shot.pixel(x - dx, y - dy) == support::patternPixel(last.x() - dx, last.y() - dy);
            if (same)
                return true;
        }
    }
    return false;
}

} // namespace

void CliTest::fullHandsCaptureToRunningInstance()
{
    Program instance;
    QVERIFY(startedAndReady(instance));
    QVERIFY(clearClipboard());

    const Finished later = runProgram({QStringLiteral("--full")});
    QCOMPARE(later.status, 0);
    QVERIFY(later.output.isEmpty() && later.errors.isEmpty());
    QVERIFY(waitForClipboardImage());
    QCOMPARE(clipboardImage().size(), screenSize());
    // The instance took it; the later start left nothing of its own.
    QVERIFY(instance.isRunning());
    QCOMPARE(visibleWindowsOfClass(programClass).size(), visibleWindowsOfClass(programClass, instance.pid()).size());
    QVERIFY(waitUntil([&] { return !panelWindow(instance.pid(), 100).isEmpty(); }));
    instance.terminate(SIGTERM);
    QVERIFY(endsWithZero(instance));
}

void CliTest::boardOpensFileInRunningInstance()
{
    QTemporaryDir dir;
    const QSize size(60, 40);
    QVERIFY(support::patternImage(size).save(dir.filePath(QStringLiteral("known picture.png"))));
    Program instance;
    QVERIFY(startedAndReady(instance));

    // A name relative to the folder the command runs in, which is not the instance's.
    QCOMPARE(runProgram({QStringLiteral("--board"), QStringLiteral("known picture.png")}, dir.path()).status, 0);
    QStringList boards;
    QVERIFY(waitUntil([&] { return !(boards = titledWindows(instance.pid(), "_NET_WM_WINDOW_TYPE_NORMAL")).isEmpty(); }));
    const QRect area = windowGeometry(boards.first());
    QVERIFY(waitUntil([&] { return showsPatternCorner(screenShot(), area, size); }));
    instance.terminate(SIGTERM);
    QVERIFY(endsWithZero(instance));
}

void CliTest::plainSecondStartShowsHiddenPanel()
{
    Program instance;
    QVERIFY(startedAndReady(instance));
    const QString panel = panelWindow(instance.pid());
    clickOnWindow(trayIconWindow(programClass), QPoint(5, 5));
    QVERIFY(waitUntil([&] { return !isViewable(panel); }));

    QCOMPARE(runProgram({}).status, 0);
    QVERIFY(waitUntil([&] { return isViewable(panel); }));
    QVERIFY(isEmbeddedInTray(programClass));
    instance.terminate(SIGTERM);
    QVERIFY(endsWithZero(instance));
}

void CliTest::quitEndsInstanceWithZero()
{
    Program instance;
    QVERIFY(startedAndReady(instance));
    QCOMPARE(runProgram({QStringLiteral("--quit")}).status, 0);
    QVERIFY(endsWithZero(instance));
    QVERIFY(waitUntil([] { return trayIconWindow(programClass).isEmpty(); }));
    // With nothing running, there is nothing to end, and nothing is started.
    const Finished alone = runProgram({QStringLiteral("--quit")});
    QCOMPARE(alone.status, 0);
    QVERIFY(visibleWindowsOfClass(programClass).isEmpty());
}

void CliTest::oneShotWritesExactDesktopWithoutInstance()
{
    const QSize screen = screenSize();
    QVERIFY(showPatternOnRoot(screen));
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("desktop.png")); // given without its suffix
    // The pattern, with the tray host's strip along the bottom.
    const QImage desktop = support::asRgb32(screenShot());

    const Finished shot = runProgram({QStringLiteral("--full"), QStringLiteral("-o"), file.chopped(4)});
    QCOMPARE(shot.status, 0);
    QVERIFY(shot.output.isEmpty());
    QVERIFY2(shot.errors.isEmpty(), shot.errors.constData());
    QVERIFY(support::fileBytes(file).startsWith(support::pngMagic));
    QCOMPARE(support::asRgb32(QImage(file)), desktop);
    // No panel, no tray icon, and no process left to show them.
    QVERIFY(visibleWindowsOfClass(programClass).isEmpty());
    QVERIFY(trayIconWindow(programClass).isEmpty());
}

void CliTest::oneShotFailsLoudlyIntoUnwritableFolder()
{
    QTemporaryDir dir;
    QString folder = dir.filePath(QStringLiteral("locked"));
    QVERIFY(QDir().mkdir(folder));
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    if (::getuid() == 0)
        folder = QStringLiteral("/proc"); // root writes anywhere else
    const QString file = folder + QStringLiteral("/shot.png");

    const Finished shot = runProgram({QStringLiteral("--full"), QStringLiteral("--output"), file});
    QVERIFY(shot.status > 0);
    QVERIFY(!QFile::exists(file));
    QCOMPARE(shot.errors.count('\n'), 1);
    QVERIFY2(shot.errors.contains(file.toUtf8()), shot.errors.constData());
}

void CliTest::noDisplayEndsWithOneLine()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QStringList filesBefore = filesIn(runtime);
    const int segmentsBefore = sharedMemorySegments();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));

    const Finished run = runProgram({}, {}, environment);
    QCOMPARE(run.status, 1);
    QCOMPARE(run.errors.count('\n'), 1);
    QVERIFY2(run.errors.contains("graphical desktop"), run.errors.constData());
    QCOMPARE(filesIn(runtime), filesBefore);
    QCOMPARE(sharedMemorySegments(), segmentsBefore);
}

void CliTest::capturesAreQuietWithoutSound_data()
{
    QTest::addColumn<bool>("withoutPlugins");
    QTest::newRow("no sound server or card") << false;
    QTest::newRow("no GStreamer plug-ins") << true;
}

void CliTest::capturesAreQuietWithoutSound()
{
    QFETCH(bool, withoutPlugins);
    QTemporaryDir gstreamer;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("PULSE_SERVER"));
    if (withoutPlugins) {
        QVERIFY(QDir().mkdir(gstreamer.filePath(QStringLiteral("none"))));
        environment.insert(QStringLiteral("GST_PLUGIN_SYSTEM_PATH_1_0"), gstreamer.filePath(QStringLiteral("none")));
        environment.insert(QStringLiteral("GST_REGISTRY_1_0"), gstreamer.filePath(QStringLiteral("registry.bin")));
    } else {
        environment.remove(QStringLiteral("QT_GSTREAMER_PLAYBIN_AUDIOSINK"));
    }
    Program instance({}, {}, environment, true);
    QVERIFY(startedAndReady(instance));
    QTest::qWait(500);
    instance.errors(); // only what the captures write counts

    for (int capture = 0; capture < 2; ++capture) {
        QVERIFY(clearClipboard());
        QCOMPARE(runProgram({QStringLiteral("--full")}).status, 0);
        QVERIFY(waitForClipboardImage());
        QVERIFY(waitUntil([&] { return !panelWindow(instance.pid(), 100).isEmpty(); }));
    }
    QTest::qWait(500);
    const QByteArray afterCaptures = instance.errors();
    QVERIFY2(afterCaptures.isEmpty(), afterCaptures.constData());
    instance.terminate(SIGTERM);
    QVERIFY(endsWithZero(instance));
}

void CliTest::pluginsInCurrentFolderAreNotLoaded()
{
    QTemporaryDir dir;
    const QString plugins = dir.filePath(QStringLiteral("plugins/imageformats"));
    QVERIFY(QDir().mkpath(plugins));
    QVERIFY(QFile::copy(qEnvironmentVariable("TAVO_PROBE_PLUGIN"), plugins + QStringLiteral("/libprobe.so")));
    const QString mark = dir.filePath(QStringLiteral("probe-plugin-was-loaded"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TAVO_PROBE_DIR"), dir.path());

    {
        // Started from the folder that holds plugins/: its pictures are drawn, nothing is loaded.
        Program program({}, dir.path(), environment);
        QVERIFY(startedAndReady(program));
        QVERIFY(panelButtonCentres(panelWindow(program.pid())).size() == 4);
        program.terminate(SIGTERM);
        QVERIFY(endsWithZero(program));
        QVERIFY2(!QFile::exists(mark), "a plug-in from the current folder was loaded");
    }
    // The probe does leave its mark where plug-ins are looked for.
    environment.insert(QStringLiteral("QT_PLUGIN_PATH"), dir.filePath(QStringLiteral("plugins")));
    Program program({}, dir.path(), environment);
    QVERIFY(startedAndReady(program));
    QVERIFY(waitUntil([&] { return QFile::exists(mark); }));
    program.terminate(SIGTERM);
    QVERIFY(endsWithZero(program));
}

QTEST_GUILESS_MAIN(CliTest)
#include "tst_e2e_cli.moc"
