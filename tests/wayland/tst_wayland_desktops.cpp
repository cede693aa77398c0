#include "capture/RegionGeometry.h"
#include "platform/InstanceGuard.h"
#include "TestSupport.h"

#include <QGuiApplication>
#include <QLocalSocket>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

// The program in a headless KWin or GNOME Shell session (TAVO_WL_DESKTOP names which), over a
// full-screen window of known pixels: the one-shot capture is that window pixel for pixel, a
// capture started as the desktop starts it from a key lands on the clipboard while the window
// has the focus, and a region dragged with the desktop's own pointer is copied pixel-exact. On
// GNOME, which has no shortcuts portal, the program's first start offers to add its keys to
// GNOME's custom key bindings; taking the offer adds them, and it is not made again.
//
// GNOME lets a client read or set the clipboard only while it has the focus, so there the test
// reads and empties it through the kit's remote-desktop session (gnome-input.py), which takes
// the focus from no window; on KWin wl-paste and wl-copy use data control, which needs none.
class TestWaylandDesktops : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void oneShotCaptureIsTheScreen();
    void keyCaptureLandsOnTheClipboard();
    void draggedRegionIsCopiedPixelExact();
    void clipboardIsPinnedWhileAnotherWindowHasTheFocus();
    void offersGnomeKeyBindingsOnce();

private:
    bool startResident();
    void stopResident();

    std::unique_ptr<QWidget> patternWindow;
    QImage pattern;
    QProcess resident;
};

namespace {

const QString program = qEnvironmentVariable("TAVO_PROGRAM");
const bool onKWin = qEnvironmentVariable("TAVO_WL_DESKTOP") == QLatin1String("kwin");

// Under load a session's tools and the program take seconds where they take tenths idle: every
// wait below is long, and each ends as soon as what it waits for is there.
constexpr int toolPatienceMs = 30000;
constexpr int capturePatienceMs = 45000;

class PatternWindow : public QWidget
{
protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).drawImage(0, 0, support::patternImage(size())); }
};

// A tool's exit status; -1 when it did not end within toolPatienceMs (a tool that waits for a
// focus it never gets) and was stopped.
int run(const QString &tool, const QStringList &arguments, QByteArray *output = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(tool, arguments);
    if (!process.waitForFinished(toolPatienceMs)) {
        qWarning("%s %s: no end within %d s, stopped", qPrintable(tool), qPrintable(arguments.join(QLatin1Char(' '))),
                 toolPatienceMs / 1000);
        process.kill();
        process.waitForFinished();
        return -1;
    }
    if (output)
        *output = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

bool gnomeInput(const QStringList &steps)
{
    return run(QStringLiteral("/usr/bin/python3"),
               QStringList{qEnvironmentVariable("TAVO_SOURCE_DIR") + QStringLiteral("/scripts/wayland/gnome-input.py"),
                           qEnvironmentVariable("TAVO_GNOME_INPUT")}
                   + steps)
           == 0;
}

// Pointer steps as vptr takes them (move:X,Y down up click sleep:MS), in screen pixels.
bool pointer(const QStringList &steps)
{
    return onKWin ? run(QStringLiteral("kwin-pointer"), steps) == 0 : gnomeInput(steps);
}

QString at(const QPoint &point)
{
    return QStringLiteral("move:%1,%2").arg(point.x()).arg(point.y());
}

// Leaves a text alone on the clipboard. KWin never answers a reader of an empty clipboard (wl-paste
// waits for ever), so it is not emptied: a reader of its picture is told at once there is none.
bool clearClipboard()
{
    return onKWin ? run(QStringLiteral("wl-copy"), {QStringLiteral("-t"), QStringLiteral("text/plain"), QStringLiteral("no picture")}) == 0
                  : gnomeInput({QStringLiteral("clear")});
}

// Offers `png` on the clipboard as another program's copy would: on KWin through data control
// (wl-copy stays behind to serve it), on GNOME through the kit's remote-desktop session.
bool copyToClipboard(const QByteArray &png)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("copied.png"));
    if (!support::writeFile(file, png))
        return false;
    if (!onKWin)
        return gnomeInput({QStringLiteral("copy:image/png:") + file});
    QProcess copy;
    copy.setStandardInputFile(file);
    copy.setStandardOutputFile(QProcess::nullDevice());
    copy.start(QStringLiteral("wl-copy"), {QStringLiteral("--type"), QStringLiteral("image/png")});
    return copy.waitForFinished(toolPatienceMs) && copy.exitCode() == 0;
}

// The part of `screen` in pure magenta, which the pattern has nowhere on a screen narrower than
// 3840 pixels; empty when it is not one whole rectangle of it.
QRect magentaRectangle(const QImage &screen)
{
    QRect found;
    int count = 0;
    for (int y = 0; y < screen.height(); ++y)
        for (int x = 0; x < screen.width(); ++x)
            if (screen.pixel(x, y) == qRgb(255, 0, 255)) {
                found |= QRect(x, y, 1, 1);
                ++count;
            }
    return count == found.width() * found.height() ? found : QRect();
}

// The clipboard's PNG; null while it holds none.
QImage clipboardPicture()
{
    QByteArray png;
    if (onKWin) {
        if (run(QStringLiteral("wl-paste"), {QStringLiteral("--no-newline"), QStringLiteral("-t"), QStringLiteral("image/png")},
                &png)
            != 0)
            return {};
    } else {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("clipboard.png"));
        if (!gnomeInput({QStringLiteral("paste:image/png:") + file}))
            return {};
        png = support::fileBytes(file);
    }
    return support::asRgb32(QImage::fromData(png, "PNG"));
}

// Empty when `picture` is the pattern's `part` pixel for pixel; otherwise what differs, and the
// picture is kept in the session's folder (which stays after a failure) as `name`.png.
QString differenceFromPattern(const QImage &picture, const QRect &part, const QString &name)
{
    QString difference = picture.size() == part.size()
                             ? support::differenceFromPattern(picture, part.topLeft())
                             : QStringLiteral("%1x%2 pixels, not %3x%4")
                                   .arg(picture.width()).arg(picture.height()).arg(part.width()).arg(part.height());
    if (!difference.isEmpty()) {
        const QString kept = qEnvironmentVariable("TAVO_WL_DIR") + QLatin1Char('/') + name + QStringLiteral(".png");
        if (picture.save(kept))
            difference += QStringLiteral(" (the picture: %1)").arg(kept);
    }
    return difference;
}

QImage oneShotCapture()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("full.png"));
    if (run(program, {QStringLiteral("--full"), QStringLiteral("-o"), file}) != 0)
        return {};
    return support::asRgb32(QImage(file));
}

// The region overlay is on the screen once the screen shows its red mark in the top-left corner
// (the pattern has no pure red).
bool overlayShown()
{
    const QImage screen = oneShotCapture();
    return !screen.isNull() && screen.pixel(2, 2) == qRgb(255, 0, 0);
}

// Clicks the pattern window where no other window covers it, which gives it the keyboard focus.
bool clickPatternWindow()
{
    const QImage screen = oneShotCapture();
    const QImage pattern = support::patternImage(screen.size());
    const int w = screen.width();
    const int h = screen.height();
    for (const QPoint &spot : {QPoint(60, h / 2), QPoint(w - 60, h / 2), QPoint(w / 2, h - 60), QPoint(w / 2, 60)}) {
        const QRect around(spot - QPoint(5, 5), QSize(11, 11));
        if (screen.copy(around) == pattern.copy(around))
            return pointer({at(spot), QStringLiteral("click")});
    }
    return false;
}

// A later start hands its request over once the instance listens; before it holds its lock, the
// later start would become the instance itself.
bool residentListens()
{
    const QDir folder(privateRuntimeFolder());
    for (const QString &name : folder.entryList({QStringLiteral("tavo-screenshot-*.socket")}, QDir::System)) {
        QLocalSocket channel;
        channel.connectToServer(folder.filePath(name));
        if (channel.waitForConnected(1000))
            return true;
    }
    return false;
}

// Ctrl+Alt+X is bound once KWin's shortcut daemon lists it for the program's full capture. The
// component shows up with the first of the four keys, and the others follow one by one: a key
// pressed before its own is listed does nothing.
bool fullCaptureKeyBoundInKWin()
{
    QByteArray shortcuts;
    if (run(QStringLiteral("dbus-send"),
            {QStringLiteral("--session"), QStringLiteral("--print-reply"), QStringLiteral("--dest=org.kde.kglobalaccel"),
             QStringLiteral("/component/tavo_screenshot"), QStringLiteral("org.kde.kglobalaccel.Component.allShortcutInfos")},
            &shortcuts)
        != 0)
        return false;
    const int action = shortcuts.indexOf("string \"full-capture\"");
    const QByteArray ctrlAltX = "int32 " + QByteArray::number(int(Qt::CTRL | Qt::ALT | Qt::Key_X));
    return action >= 0 && shortcuts.mid(action, shortcuts.indexOf("struct {", action) - action).contains(ctrlAltX);
}

// KWin: Ctrl+Alt+X, which the program holds. GNOME: the command a custom key binding runs,
// started from outside the program, as GNOME's settings daemon starts it.
bool startCaptureAsTheDesktopWould()
{
    if (onKWin)
        return run(QStringLiteral("kwin-keys"), {QStringLiteral("ctrl"), QStringLiteral("alt"), QStringLiteral("x")}) == 0;
    return run(program, {QStringLiteral("--full")}) == 0;
}

QString askedMarker()
{
    return QDir::homePath() + QStringLiteral("/.config/tavo-screenshot/gnome-key-bindings-asked");
}

QString fullCaptureCommand()
{
    QByteArray value;
    run(QStringLiteral("gsettings"),
        {QStringLiteral("get"),
         QStringLiteral("org.gnome.settings-daemon.plugins.media-keys.custom-keybinding:/org/gnome/"
                        "settings-daemon/plugins/media-keys/custom-keybindings/tavo-screenshot-full/"),
         QStringLiteral("command")},
        &value);
    return QString::fromUtf8(value).trimmed();
}

// The offer's question has the focus once it is up: Return takes its default answer, yes. A
// Return that comes before the question (or goes to the panel, shown just before it) is lost,
// so it is pressed again until the answer is kept; the program writes the marker last.
bool acceptKeyBindingOffer()
{
    constexpr int answerPatienceMs = 5000;
    return gnomeInput({QStringLiteral("key:return")})
           && QTest::qWaitFor([] { return QFile::exists(askedMarker()); }, answerPatienceMs);
}

} // namespace

void TestWaylandDesktops::initTestCase()
{
    QVERIFY2(QGuiApplication::platformName().startsWith(QLatin1String("wayland")),
             qPrintable(QGuiApplication::platformName()));
    patternWindow = std::make_unique<PatternWindow>();
    patternWindow->showFullScreen();
    QVERIFY(QTest::qWaitForWindowExposed(patternWindow.get()));
    pattern = support::patternImage(QGuiApplication::primaryScreen()->size());
    // Full screen comes a little after the first showing.
    TAVO_WAIT_FOR(patternWindow->size() == QGuiApplication::primaryScreen()->size(), 10000,
                  "the pattern window to fill the screen");
}

void TestWaylandDesktops::cleanup()
{
    // What the screen showed when a case failed stays in the session's folder, for a look.
    if (QTest::currentTestFailed()) {
        const QString kept = QStringLiteral("%1/%2-screen.png").arg(qEnvironmentVariable("TAVO_WL_DIR"),
                                                                    QLatin1String(QTest::currentTestFunction()));
        if (oneShotCapture().save(kept))
            qInfo("the screen after the failure: %s", qPrintable(kept));
    }
    // A case that failed half-way leaves no instance (nor its dialog) to the next one.
    if (resident.state() == QProcess::NotRunning)
        return;
    run(program, {QStringLiteral("--quit")});
    if (!resident.waitForFinished(toolPatienceMs)) {
        qWarning("the resident instance did not quit; killed");
        resident.kill();
        resident.waitForFinished();
    }
}

bool TestWaylandDesktops::startResident()
{
    resident.setProcessChannelMode(QProcess::ForwardedChannels);
    resident.start(program, QStringList());
    return resident.waitForStarted() && QTest::qWaitFor(residentListens, toolPatienceMs);
}

void TestWaylandDesktops::stopResident()
{
    QCOMPARE(run(program, {QStringLiteral("--quit")}), 0);
    QVERIFY2(resident.waitForFinished(toolPatienceMs), "the resident instance did not quit");
}

void TestWaylandDesktops::oneShotCaptureIsTheScreen()
{
    // The compositor may show the window's first frame a moment after it is exposed.
    TAVO_WAIT_FOR(oneShotCapture() == pattern, capturePatienceMs, "a one-shot capture equal to the pattern");
}

void TestWaylandDesktops::keyCaptureLandsOnTheClipboard()
{
    // Asked already (see offersGnomeKeyBindingsOnce()): no question comes up over the window.
    QVERIFY(QDir().mkpath(QFileInfo(askedMarker()).path()));
    QVERIFY(support::writeFile(askedMarker(), QByteArray()));
    QVERIFY2(startResident(), "the instance did not come to take requests");
    if (onKWin)
        TAVO_WAIT_FOR(fullCaptureKeyBoundInKWin(), toolPatienceMs, "KWin to bind Ctrl+Alt+X for the program");
    TAVO_WAIT_FOR(patternWindow->isActiveWindow(), toolPatienceMs, "the focus back on the pattern window");
    QVERIFY(clearClipboard());
    QVERIFY(startCaptureAsTheDesktopWould());
    TAVO_WAIT_FOR(!clipboardPicture().isNull(), capturePatienceMs, "a picture on the clipboard");
    const QString difference = differenceFromPattern(clipboardPicture(), pattern.rect(), QStringLiteral("key-capture"));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    stopResident();
}

void TestWaylandDesktops::draggedRegionIsCopiedPixelExact()
{
    QVERIFY(support::writeFile(askedMarker(), QByteArray()));
    QVERIFY2(startResident(), "the instance did not come to take requests");
    QVERIFY(clearClipboard());
    // As a key binding starts it: forwarded to the running instance.
    QCOMPARE(run(program, {QStringLiteral("--region")}), 0);
    // The overlay takes the focus once the instance has its picture of the desktop; a capture of
    // our own before that would meet the instance's own (GNOME's portal answers only one of two).
    TAVO_WAIT_FOR(!patternWindow->isActiveWindow(), toolPatienceMs, "the region overlay to take the focus");
    TAVO_WAIT_FOR(overlayShown(), capturePatienceMs, "the region overlay on the screen");

    const QPoint start(100, 100);
    const QPoint end(300, 250);
    QVERIFY(pointer({at({50, 50}), at(start), QStringLiteral("down"), at({200, 150}), at(end), QStringLiteral("up")}));
    const QRect screen(QPoint(0, 0), QGuiApplication::primaryScreen()->size());
    const QPoint copy = buttonRowAt(end, screen).copy.center();
    QVERIFY(pointer({at(copy), QStringLiteral("click")}));

    TAVO_WAIT_FOR(!clipboardPicture().isNull(), capturePatienceMs, "the region on the clipboard");
    const QString difference = differenceFromPattern(clipboardPicture(), copyGrabRect(start, end), QStringLiteral("region"));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    TAVO_WAIT_FOR(!overlayShown(), capturePatienceMs, "the overlay to leave the screen");
    stopResident();
}

void TestWaylandDesktops::clipboardIsPinnedWhileAnotherWindowHasTheFocus()
{
    QVERIFY(support::writeFile(askedMarker(), QByteArray()));
    // No picture for the panel to be shown as it comes up: mutter reads an old offer from the
    // clipboard's current owner, so an old picture offer would do for a new picture.
    QVERIFY(clearClipboard());
    QVERIFY2(startResident(), "the instance did not come to take requests");
    // The panel takes the keyboard focus as it comes up (while the pattern window may still look
    // active): a click gives it to the pattern window, another program's, before the copy. The
    // toolkit would then show the program no clipboard.
    TAVO_WAIT_FOR(oneShotCapture() != pattern, capturePatienceMs, "the panel on the screen");
    QVERIFY2(clickPatternWindow(), "no part of the pattern window left uncovered");
    TAVO_WAIT_FOR(patternWindow->isActiveWindow(), toolPatienceMs, "the focus on the pattern window");
    QImage picture(173, 91, QImage::Format_RGB32);
    picture.fill(qRgb(255, 0, 255));
    QVERIFY(copyToClipboard(support::encoded(picture, "PNG")));

    QCOMPARE(run(program, {QStringLiteral("--pin"), QStringLiteral("-")}), 0);
    TAVO_WAIT_FOR(magentaRectangle(oneShotCapture()).size() == picture.size(), capturePatienceMs,
                  "a pin of the clipboard's picture on the screen");
    stopResident();
}

void TestWaylandDesktops::offersGnomeKeyBindingsOnce()
{
    if (onKWin)
        QSKIP("KWin binds the keys through its GlobalShortcuts portal");
    QFile::remove(askedMarker());
    QVERIFY2(startResident(), "the instance did not come to take requests");
    TAVO_WAIT_FOR(acceptKeyBindingOffer(), capturePatienceMs, "the offer's question to take Return and keep the answer");
    QCOMPARE(fullCaptureCommand(), QStringLiteral("'%1 --full'").arg(program));
    stopResident();
}

QTEST_MAIN(TestWaylandDesktops)
#include "tst_wayland_desktops.moc"
