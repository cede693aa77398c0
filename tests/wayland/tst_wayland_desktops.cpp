#include "TestSupport.h"

#include <QGuiApplication>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

// The program in a headless KWin or GNOME Shell session (TAVO_WL_DESKTOP names which), over a
// full-screen window of known pixels: the one-shot capture is that window pixel for pixel, and
// a capture started as the desktop starts it from a key lands on the clipboard while the window
// has the focus. On GNOME, which has no shortcuts portal, the program's first start offers to add
// its keys to GNOME's custom key bindings; taking the offer adds them, and it is not made again.
class TestWaylandDesktops : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void oneShotCaptureIsTheScreen();
    void keyCaptureLandsOnTheClipboard();
    void offersGnomeKeyBindingsOnce();

private:
    void startResident();
    void stopResident();

    std::unique_ptr<QWidget> patternWindow;
    QImage pattern;
    QProcess resident;
};

namespace {

const QString program = qEnvironmentVariable("TAVO_PROGRAM");
const bool onKWin = qEnvironmentVariable("TAVO_WL_DESKTOP") == QLatin1String("kwin");

class PatternWindow : public QWidget
{
protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).drawImage(0, 0, support::patternImage(size())); }
};

// A tool's exit status; -1 when it did not end within 10 s (a clipboard tool that waits for a
// focus it never gets) and was stopped.
int run(const QString &tool, const QStringList &arguments)
{
    QProcess process;
    process.start(tool, arguments);
    if (process.waitForFinished(10000))
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    process.kill();
    process.waitForFinished();
    return -1;
}

QImage clipboardPicture()
{
    QProcess paste;
    paste.start(QStringLiteral("wl-paste"), {QStringLiteral("--no-newline"), QStringLiteral("-t"), QStringLiteral("image/png")});
    if (!paste.waitForFinished(10000) || paste.exitCode() != 0)
        return {};
    return support::asRgb32(QImage::fromData(paste.readAllStandardOutput(), "PNG"));
}

QImage oneShotCapture()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("full.png"));
    if (QProcess::execute(program, {QStringLiteral("--full"), QStringLiteral("-o"), file}) != 0)
        return {};
    return support::asRgb32(QImage(file));
}

// The program's keys are bound once KWin's shortcut daemon lists its component.
bool keysBoundInKWin()
{
    QProcess list;
    list.start(QStringLiteral("dbus-send"), {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                                             QStringLiteral("--dest=org.kde.kglobalaccel"), QStringLiteral("/kglobalaccel"),
                                             QStringLiteral("org.kde.KGlobalAccel.allComponents")});
    return list.waitForFinished(5000) && list.readAllStandardOutput().contains("/component/tavo_screenshot");
}

bool gnomeInput(const QString &step)
{
    return run(QStringLiteral("/usr/bin/python3"),
               {qEnvironmentVariable("TAVO_SOURCE_DIR") + QStringLiteral("/scripts/wayland/gnome-input.py"),
                qEnvironmentVariable("TAVO_GNOME_INPUT"), step})
           == 0;
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

QString gsettingsValue(const QStringList &arguments)
{
    QProcess get;
    get.start(QStringLiteral("gsettings"), QStringList{QStringLiteral("get")} + arguments);
    get.waitForFinished(5000);
    return QString::fromUtf8(get.readAllStandardOutput()).trimmed();
}

QString fullCaptureCommand()
{
    return gsettingsValue({QStringLiteral("org.gnome.settings-daemon.plugins.media-keys.custom-keybinding:/org/gnome/"
                                          "settings-daemon/plugins/media-keys/custom-keybindings/tavo-screenshot-full/"),
                           QStringLiteral("command")});
}

// The offer's question has the focus once it is up: Return takes its default answer, yes.
bool acceptKeyBindingOffer()
{
    return gnomeInput(QStringLiteral("key:return"))
           && QTest::qWaitFor([] { return fullCaptureCommand().contains(QLatin1String("--full")); }, 500);
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
    QTRY_COMPARE_WITH_TIMEOUT(patternWindow->size(), QGuiApplication::primaryScreen()->size(), 10000);
}

void TestWaylandDesktops::cleanupTestCase()
{
    if (resident.state() != QProcess::NotRunning)
        stopResident();
}

void TestWaylandDesktops::startResident()
{
    resident.setProcessChannelMode(QProcess::ForwardedChannels);
    resident.start(program, QStringList());
    QVERIFY(resident.waitForStarted());
}

void TestWaylandDesktops::stopResident()
{
    QCOMPARE(run(program, {QStringLiteral("--quit")}), 0);
    QVERIFY(resident.waitForFinished(10000));
}

void TestWaylandDesktops::oneShotCaptureIsTheScreen()
{
    // The compositor may show the window's first frame a moment after it is exposed.
    QTRY_COMPARE_WITH_TIMEOUT(oneShotCapture(), pattern, 15000);
}

void TestWaylandDesktops::keyCaptureLandsOnTheClipboard()
{
    // Asked already (see offersGnomeKeyBindingsOnce()): no question comes up over the window.
    QVERIFY(QDir().mkpath(QFileInfo(askedMarker()).path()));
    QVERIFY(support::writeFile(askedMarker(), QByteArray()));
    startResident();
    if (onKWin)
        QTRY_VERIFY_WITH_TIMEOUT(keysBoundInKWin(), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(patternWindow->isActiveWindow(), 10000);
    QCOMPARE(run(QStringLiteral("wl-copy"), {QStringLiteral("--clear")}), 0);
    QVERIFY(startCaptureAsTheDesktopWould());
    QTRY_VERIFY_WITH_TIMEOUT(!clipboardPicture().isNull(), 15000);
    QCOMPARE(clipboardPicture(), pattern);
    stopResident();
}

void TestWaylandDesktops::offersGnomeKeyBindingsOnce()
{
    if (onKWin)
        QSKIP("KWin binds the keys through its GlobalShortcuts portal");
    QFile::remove(askedMarker());
    startResident();
    QTRY_VERIFY_WITH_TIMEOUT(acceptKeyBindingOffer(), 20000);
    QCOMPARE(fullCaptureCommand(), QStringLiteral("'%1 --full'").arg(program));
    QTRY_VERIFY(QFile::exists(askedMarker()));
    stopResident();
}

QTEST_MAIN(TestWaylandDesktops)
#include "tst_wayland_desktops.moc"
