#include "capture/RegionGeometry.h"
#include "SwaySupport.h"
#include "TestSupport.h"
#include "../e2e/ScrollPage.h"

#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <unistd.h>

// The program itself in a headless sway session with the wlr Screenshot portal, over a window of
// known pixels that covers the output: the one-shot capture, Ctrl+Alt+X bound in sway to the
// command line, a region dragged with a virtual pointer, the tray on a StatusNotifierWatcher, and
// a long screenshot that scrolls a page with a virtual pointer of the program's own.
// The resident instance runs as the user sway runs its bindings as (nobody, when the tests run as
// root), so that the bound command reaches it over its private channel; all of them run a copy
// of the program that this user can reach.
class TestWaylandProgram : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void oneShotCaptureEqualsGrims();
    void boundCtrlAltXPutsTheDesktopOnTheClipboard();
    void draggedRegionIsCopiedPixelExact();
    void trayEntryShowsThePanel();
    void clipboardIsPinnedWhileAnotherWindowHasTheFocus();
    // Last: it leaves the long picture's window open.
    void longScreenshotScrollsThePageToItsEnd();

private:
    std::unique_ptr<QWidget> patternWindow;
    QImage pattern;
    QProcess trayHost;
    QProcess resident;
};

namespace {

// sway runs its bindings as its own user (nobody, when the tests run as root), who may not reach
// the build folder (a clone under /root or a private temporary folder): the program runs from a
// copy in the session's folder, which that user reaches.
QString copyReachableBySway(const QString &file)
{
    const QString folder = qEnvironmentVariable("TAVO_WL_DIR") + QStringLiteral("/program");
    const QString copy = folder + QLatin1Char('/') + QFileInfo(file).fileName();
    if (!QDir().mkpath(folder) || !QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                                     | QFile::ReadOther | QFile::ExeOther))
        return QString();
    QFile::remove(copy);
    if (!QFile::copy(file, copy)
        || !QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther
                                            | QFile::ExeOther))
        return QString();
    return copy;
}

const QString program = copyReachableBySway(qEnvironmentVariable("TAVO_PROGRAM"));

// A command as sway's bindings run it: as sway's user, with its runtime and home folders.
QProcess *startAsSwayUser(QProcess &process, const QStringList &arguments)
{
    const QString session = qEnvironmentVariable("TAVO_WL_DIR");
    QStringList command{QStringLiteral("XDG_RUNTIME_DIR=%1/sway-run").arg(session),
                        QStringLiteral("HOME=%1/sway-home").arg(session), program};
    command << arguments;
    if (::getuid() == 0)
        command = QStringList{QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                              QStringLiteral("--clear-groups"), QStringLiteral("env")} + command;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(::getuid() == 0 ? QStringLiteral("setpriv") : QStringLiteral("env"), command);
    return &process;
}

int runAsSwayUser(const QStringList &arguments)
{
    QProcess process;
    startAsSwayUser(process, arguments);
    return process.waitForFinished(15000) && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

void collectWindows(const QJsonObject &node, QVector<QJsonObject> &found)
{
    if (node.value(QStringLiteral("app_id")).toString() == QLatin1String("tavo-screenshot"))
        found << node;
    for (const char *children : {"nodes", "floating_nodes"})
        for (const QJsonValue &child : node.value(QLatin1String(children)).toArray())
            collectWindows(child.toObject(), found);
}

QVector<QJsonObject> programWindowNodes()
{
    QProcess swaymsg;
    swaymsg.start(QStringLiteral("swaymsg"), {QStringLiteral("-t"), QStringLiteral("get_tree")});
    QVector<QJsonObject> windows;
    if (swaymsg.waitForFinished(5000))
        collectWindows(QJsonDocument::fromJson(swaymsg.readAllStandardOutput()).object(), windows);
    return windows;
}

// Where the pin's own surface is on the output (inside sway's border, if any); empty while
// sway shows no pin.
QRect pinOnOutput()
{
    for (const QJsonObject &window : programWindowNodes()) {
        if (window.value(QStringLiteral("name")).toString() != QStringLiteral("贴图"))
            continue;
        auto rect = [](const QJsonValue &value) {
            const QJsonObject r = value.toObject();
            return QRect(r.value(QStringLiteral("x")).toInt(), r.value(QStringLiteral("y")).toInt(),
                         r.value(QStringLiteral("width")).toInt(), r.value(QStringLiteral("height")).toInt());
        };
        const QRect outer = rect(window.value(QStringLiteral("rect")));
        return rect(window.value(QStringLiteral("window_rect"))).translated(outer.topLeft());
    }
    return {};
}

// Puts `png` on the clipboard as another program does; wl-copy stays behind to serve it.
bool copyToClipboard(const QByteArray &png)
{
    QProcess copy;
    copy.setStandardOutputFile(QProcess::nullDevice());
    copy.start(QStringLiteral("wl-copy"), {QStringLiteral("--type"), QStringLiteral("image/png")});
    copy.write(png);
    copy.closeWriteChannel();
    return copy.waitForFinished(10000) && copy.exitCode() == 0;
}

// The program's windows sway shows now that are (or are not) full screen.
int programWindows(bool fullScreen)
{
    QProcess swaymsg;
    swaymsg.start(QStringLiteral("swaymsg"), {QStringLiteral("-t"), QStringLiteral("get_tree")});
    if (!swaymsg.waitForFinished(5000))
        return -1;
    QVector<QJsonObject> windows;
    collectWindows(QJsonDocument::fromJson(swaymsg.readAllStandardOutput()).object(), windows);
    return int(std::count_if(windows.begin(), windows.end(), [fullScreen](const QJsonObject &window) {
        return (window.value(QStringLiteral("fullscreen_mode")).toInt() != 0) == fullScreen;
    }));
}

int panelsShown()
{
    return programWindows(false);
}

QImage clipboardPicture()
{
    QProcess paste;
    paste.start(QStringLiteral("wl-paste"), {QStringLiteral("--no-newline"), QStringLiteral("-t"), QStringLiteral("image/png")});
    if (!paste.waitForFinished(10000) || paste.exitCode() != 0)
        return {};
    return support::asRgb32(QImage::fromData(paste.readAllStandardOutput(), "PNG"));
}

void clearClipboard()
{
    QProcess::execute(QStringLiteral("wl-copy"), {QStringLiteral("--clear")});
}

bool pointer(const QStringList &steps)
{
    const QSize output = QGuiApplication::primaryScreen()->size();
    return QProcess::execute(QStringLiteral("vptr"), QStringList{QString::number(output.width()),
                                                                 QString::number(output.height())} + steps) == 0;
}

// Reads the host's lines until one starts with `prefix`; false when none comes within 10 s.
bool hostSaid(QProcess &host, const QByteArray &prefix)
{
    return QTest::qWaitFor([&] {
        while (host.canReadLine())
            if (host.readLine().startsWith(prefix))
                return true;
        return false;
    }, 10000);
}

QString at(const QPoint &point)
{
    return QStringLiteral("move:%1,%2").arg(point.x()).arg(point.y());
}

bool swaymsg(const QString &command)
{
    return QProcess::execute(QStringLiteral("swaymsg"), {command}) == 0;
}

// Where sway shows the content of the window titled `title`; null when it shows none.
QRect windowContent(const QString &title)
{
    QProcess tree;
    tree.start(QStringLiteral("swaymsg"), {QStringLiteral("-t"), QStringLiteral("get_tree")});
    if (!tree.waitForFinished(5000))
        return {};
    QVector<QJsonObject> found;
    std::function<void(const QJsonObject &)> collect = [&](const QJsonObject &node) {
        if (node.value(QStringLiteral("name")).toString() == title)
            found << node;
        for (const char *children : {"nodes", "floating_nodes"})
            for (const QJsonValue &child : node.value(QLatin1String(children)).toArray())
                collect(child.toObject());
    };
    collect(QJsonDocument::fromJson(tree.readAllStandardOutput()).object());
    if (found.size() != 1)
        return {};
    auto rect = [](const QJsonObject &box) {
        return QRect(box.value(QStringLiteral("x")).toInt(), box.value(QStringLiteral("y")).toInt(),
                     box.value(QStringLiteral("width")).toInt(), box.value(QStringLiteral("height")).toInt());
    };
    const QRect content = rect(found.first().value(QStringLiteral("window_rect")).toObject());
    return content.translated(rect(found.first().value(QStringLiteral("rect")).toObject()).topLeft());
}

} // namespace

void TestWaylandProgram::initTestCase()
{
    QVERIFY2(QGuiApplication::platformName().startsWith(QLatin1String("wayland")),
             qPrintable(QGuiApplication::platformName()));
    QVERIFY2(QFile::exists(program), "cannot copy the program into the session's folder");
    patternWindow = std::make_unique<sway::PatternWindow>();
    patternWindow->show();
    QVERIFY(QTest::qWaitForWindowExposed(patternWindow.get()));
    pattern = support::patternImage(QGuiApplication::primaryScreen()->size());
    QTRY_VERIFY_WITH_TIMEOUT(sway::grimPicture() == pattern, 10000);

    // The watcher first: Qt looks for one once, as the program starts.
    trayHost.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    trayHost.start(QStringLiteral("/usr/bin/python3"), {qEnvironmentVariable("TAVO_TRAY_HOST")});
    QVERIFY(trayHost.waitForReadyRead(10000));
    QCOMPARE(trayHost.readLine().trimmed(), QByteArray("up"));

    startAsSwayUser(resident, {});
    QTRY_COMPARE_WITH_TIMEOUT(panelsShown(), 1, 10000);
}

void TestWaylandProgram::cleanupTestCase()
{
    QCOMPARE(runAsSwayUser({QStringLiteral("--quit")}), 0);
    QVERIFY(resident.waitForFinished(10000));
    trayHost.closeWriteChannel();
    trayHost.waitForFinished(5000);
}

void TestWaylandProgram::oneShotCaptureEqualsGrims()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("full.png"));
    QCOMPARE(QProcess::execute(program, {QStringLiteral("--full"), QStringLiteral("-o"), file}), 0);
    QCOMPARE(support::asRgb32(QImage(file)), sway::grimPicture());
}

void TestWaylandProgram::boundCtrlAltXPutsTheDesktopOnTheClipboard()
{
    QCOMPARE(QProcess::execute(QStringLiteral("swaymsg"),
                               {QStringLiteral("bindsym Ctrl+Alt+x exec %1 --full").arg(program)}),
             0);
    clearClipboard();
    QCOMPARE(QProcess::execute(QStringLiteral("wtype"), {QStringLiteral("-M"), QStringLiteral("ctrl"),
                                                         QStringLiteral("-M"), QStringLiteral("alt"), QStringLiteral("x"),
                                                         QStringLiteral("-m"), QStringLiteral("alt"),
                                                         QStringLiteral("-m"), QStringLiteral("ctrl")}),
             0);
    // The panel left the screen before the grab: the picture is the pattern alone.
    QTRY_VERIFY_WITH_TIMEOUT(!clipboardPicture().isNull(), 15000);
    QCOMPARE(clipboardPicture(), pattern);
}

void TestWaylandProgram::draggedRegionIsCopiedPixelExact()
{
    QTRY_COMPARE_WITH_TIMEOUT(panelsShown(), 1, 5000);
    clearClipboard();
    QCOMPARE(runAsSwayUser({QStringLiteral("--region")}), 0);
    QTRY_COMPARE_WITH_TIMEOUT(programWindows(true), 1, 15000);

    const QPoint start(100, 100);
    const QPoint end(300, 250);
    // The first moves of a new pointer (each vptr is one) can come before the overlay's client
    // has taken it up: each gesture starts after a pause.
    QVERIFY(pointer({at({50, 50}), QStringLiteral("sleep:300"), at(start), QStringLiteral("down"), at({200, 150}),
                     at(end), QStringLiteral("up")}));
    const QRect output(QPoint(0, 0), QGuiApplication::primaryScreen()->size());
    const QPoint copy = buttonRowAt(end, output).copy.center();
    QVERIFY(pointer({at(copy), QStringLiteral("sleep:300"), at(copy), QStringLiteral("click")}));

    QTRY_VERIFY_WITH_TIMEOUT(!clipboardPicture().isNull(), 10000);
    QCOMPARE(clipboardPicture(), pattern.copy(copyGrabRect(start, end)));
    QTRY_COMPARE_WITH_TIMEOUT(programWindows(true), 0, 5000);
}

void TestWaylandProgram::trayEntryShowsThePanel()
{
    QVERIFY(hostSaid(trayHost, "registered org.kde.StatusNotifierItem"));
    QTRY_COMPARE_WITH_TIMEOUT(panelsShown(), 1, 5000);

    // A single click on the icon hides the panel; the menu entry brings it back.
    trayHost.write("activate\n");
    QVERIFY(hostSaid(trayHost, "activated"));
    QTRY_COMPARE_WITH_TIMEOUT(panelsShown(), 0, 5000);
    trayHost.write("click 显示面板\n");
    QVERIFY(hostSaid(trayHost, "clicked"));
    QTRY_COMPARE_WITH_TIMEOUT(panelsShown(), 1, 5000);
}

void TestWaylandProgram::longScreenshotScrollsThePageToItsEnd()
{
    // The page's fixed size makes sway float it, in the output's middle, over the pattern.
    QVERIFY(swaymsg(QStringLiteral("for_window [title=\"^scrollpage$\"] border none")));
    QProcess viewer;
    viewer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    viewer.start(qEnvironmentVariable("TAVO_SCROLLPAGE"), QStringList{});
    const auto stopViewer = qScopeGuard([&viewer] {
        viewer.kill();
        viewer.waitForFinished();
    });
    QRect view;
    QTRY_VERIFY_WITH_TIMEOUT((view = windowContent(QStringLiteral("scrollpage"))).isValid(), 10000);
    QCOMPARE(view.size(), scrollpage::viewSize);
    clearClipboard();
    QCOMPARE(runAsSwayUser({QStringLiteral("--region")}), 0);
    QTRY_COMPARE_WITH_TIMEOUT(programWindows(true), 1, 15000);

    const QPoint from = view.topLeft() + QPoint(150, 20);
    const QPoint release = view.topLeft() + QPoint(751, 601);
    QVERIFY(pointer({at({50, 50}), QStringLiteral("sleep:300"), at(from), QStringLiteral("down"),
                     at({400, 300}), at(release), QStringLiteral("up")}));
    // wtype's first key can come before the overlay has taken up its keymap: Ctrl+L again until
    // the capture's frame shows.
    const QStringList ctrlL{QStringLiteral("-s"), QStringLiteral("100"), QStringLiteral("-M"), QStringLiteral("ctrl"),
                            QStringLiteral("l"), QStringLiteral("-m"), QStringLiteral("ctrl")};
    QVERIFY(QTest::qWaitFor([&] {
        return QProcess::execute(QStringLiteral("wtype"), ctrlL) == 0 && QTest::qWaitFor([] {
                   return windowContent(QStringLiteral("长截图区域 1")).isValid();
               }, 3000);
    }, 10000));

    // The frame's edges float around the region, and the windows sway tiles keep their room.
    const QRect region = QRect(from + QPoint(1, 1), release - QPoint(1, 1));  // inside the pressed pixels
    QTRY_COMPARE_WITH_TIMEOUT(windowContent(QStringLiteral("长截图区域 1")) | windowContent(QStringLiteral("长截图区域 2")),
                              region.adjusted(-2, -2, 2, 2), 5000);
    QCOMPARE(windowContent(QStringLiteral("tst_wayland_program")), QRect(QPoint(0, 0), pattern.size()));

    // Scrolled notch by notch to the page's end: the region's column of the page, from the row
    // it first showed to the last row it showed at the end, each once.
    QTRY_VERIFY_WITH_TIMEOUT(!clipboardPicture().isNull(), 90000);
    const int lastOffset = scrollpage::pageSize.height() - scrollpage::viewSize.height();
    const QRect inPage = region.translated(-view.topLeft());
    const QImage expected = scrollpage::page().copy(inPage.left(), inPage.top(), inPage.width(),
                                                    lastOffset + inPage.height());
    const QImage joined = clipboardPicture();
    QCOMPARE(joined.size(), expected.size());
    QVERIFY(joined == expected);
}

void TestWaylandProgram::clipboardIsPinnedWhileAnotherWindowHasTheFocus()
{
    // The test's own window has the focus, not one of the program's: the toolkit would show the
    // program no clipboard at all.
    auto focusOwnWindow = [this] {
        return QProcess::execute(QStringLiteral("swaymsg"),
                                 {QStringLiteral("[pid=%1] focus").arg(QCoreApplication::applicationPid())}) == 0
               && QTest::qWaitFor([this] { return patternWindow->isActiveWindow(); }, 5000);
    };
    QVERIFY(focusOwnWindow());
    // The command itself tells a clipboard without a picture, with status 1.
    QCOMPARE(QProcess::execute(QStringLiteral("wl-copy"), {QStringLiteral("no picture")}), 0);
    QCOMPARE(runAsSwayUser({QStringLiteral("--pin"), QStringLiteral("-")}), 1);
    // Unlike the pattern behind the pin at any place.
    const QImage picture = support::asRgb32(support::patternImage(QSize(213, 121)).copy(40, 30, 173, 91));
    QVERIFY(copyToClipboard(support::encoded(picture, "PNG")));

    QCOMPARE(runAsSwayUser({QStringLiteral("--pin"), QStringLiteral("-")}), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!pinOnOutput().isEmpty(), 10000);
    const QRect pin = pinOnOutput();
    // The picture at its own pixels inside the pin's one-pixel line.
    QCOMPARE(pin.size(), picture.size() + QSize(2, 2));
    QTRY_COMPARE_WITH_TIMEOUT(sway::grimPicture().copy(pin.adjusted(1, 1, -1, -1)), picture, 5000);

    QCOMPARE(QProcess::execute(QStringLiteral("swaymsg"), {QStringLiteral("[title=\"^贴图$\"] kill")}), 0);
    QTRY_VERIFY_WITH_TIMEOUT(pinOnOutput().isEmpty(), 5000);

    // The tray menu's 贴图 reads it the same way.
    QVERIFY(focusOwnWindow());
    trayHost.write("click 贴图\n");
    QVERIFY(hostSaid(trayHost, "clicked"));
    QTRY_VERIFY_WITH_TIMEOUT(!pinOnOutput().isEmpty(), 10000);
    QCOMPARE(pinOnOutput().size(), picture.size() + QSize(2, 2));
    // Gone again, so that no pin stands over what the next case grabs.
    QCOMPARE(QProcess::execute(QStringLiteral("swaymsg"), {QStringLiteral("[title=\"^贴图$\"] kill")}), 0);
    QTRY_VERIFY_WITH_TIMEOUT(pinOnOutput().isEmpty(), 5000);
}

QTEST_MAIN(TestWaylandProgram)
#include "tst_wayland_program.moc"
