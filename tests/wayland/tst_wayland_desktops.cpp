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
// a capture started as the desktop starts it from a key lands on the clipboard, while the
// window keeps the focus. KWin: Ctrl+Alt+X, held by the program through the GlobalShortcuts
// portal, typed through KWin's fake input. GNOME, which has no shortcuts portal: the command a
// custom key binding runs, started from outside the program.
class TestWaylandDesktops : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void oneShotCaptureIsTheScreen();
    void keyCaptureLandsOnTheClipboard();

private:
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

bool startCaptureAsTheDesktopWould()
{
    if (onKWin)
        return QProcess::execute(QStringLiteral("kwin-keys"), {QStringLiteral("ctrl"), QStringLiteral("alt"), QStringLiteral("x")}) == 0;
    return QProcess::execute(program, {QStringLiteral("--full")}) == 0;
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
    if (resident.state() == QProcess::NotRunning)
        return;
    QCOMPARE(QProcess::execute(program, {QStringLiteral("--quit")}), 0);
    QVERIFY(resident.waitForFinished(10000));
}

void TestWaylandDesktops::oneShotCaptureIsTheScreen()
{
    // The compositor may show the window's first frame a moment after it is exposed.
    QTRY_COMPARE_WITH_TIMEOUT(oneShotCapture(), pattern, 15000);
}

void TestWaylandDesktops::keyCaptureLandsOnTheClipboard()
{
    resident.setProcessChannelMode(QProcess::ForwardedChannels);
    resident.start(program, QStringList());
    QVERIFY(resident.waitForStarted());
    if (onKWin)
        QTRY_VERIFY_WITH_TIMEOUT(keysBoundInKWin(), 20000);
    // The panel is up and the pattern window has the focus back.
    QTRY_VERIFY_WITH_TIMEOUT(patternWindow->isActiveWindow(), 10000);
    QProcess::execute(QStringLiteral("wl-copy"), {QStringLiteral("--clear")});
    QVERIFY(startCaptureAsTheDesktopWould());
    QTRY_VERIFY_WITH_TIMEOUT(!clipboardPicture().isNull(), 15000);
    QCOMPARE(clipboardPicture(), pattern);
}

QTEST_MAIN(TestWaylandDesktops)
#include "tst_wayland_desktops.moc"
