#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QThread>

#include <memory>

// What the end-to-end tests need to drive the real program on the private desktop that
// scripts/with-desktop.sh sets up: start it, find its windows, send XTEST keys and mouse
// events through xdotool, and read the clipboard and the screen back.
namespace e2e {

// Runs a tool to its end and returns what it printed; exitCode (if given) receives its status.
QByteArray run(const QString &program, const QStringList &arguments, int *exitCode = nullptr,
               int timeoutMs = 20000);

// The program under test run to its end, as a script or a second start runs it.
struct Finished
{
    int status = -1; // -1 when it crashed or did not end in time
    QByteArray output;
    QByteArray errors;
};
Finished runProgram(const QStringList &arguments, const QString &workingDirectory = {},
                    const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());

// xdotool with the given arguments; returns its output, trimmed.
QString xdotool(const QStringList &arguments, int *exitCode = nullptr);

// The path of the program under test (from TAVO_BIN).
QString programPath();

// A started instance of the program; killed (if still running) when this goes. Its output goes
// to the test's own, unless `keepErrors` keeps what it writes to stderr for errors().
class Program
{
public:
    explicit Program(const QStringList &arguments = {}, const QString &workingDirectory = {},
                     const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
                     bool keepErrors = false);
    ~Program();
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    QProcess &process() { return *proc; }
    qint64 pid() const { return proc->processId(); }
    bool isRunning() const { return proc->state() != QProcess::NotRunning; }
    // Waits for the process to end; false on time-out.
    bool waitForExit(int timeoutMs = 10000);
    int exitCode() const { return proc->exitCode(); }
    QProcess::ExitStatus exitStatus() const { return proc->exitStatus(); }
    void terminate(int signalNumber);
    // What it wrote to stderr so far (with keepErrors).
    QByteArray errors();

private:
    std::unique_ptr<QProcess> proc;
};

// Visible windows whose title matches the regular expression (xdotool's --name), optionally only
// those of one process.
QStringList visibleWindows(const QString &titlePattern, qint64 pid = 0);
// Waits until at least `count` such windows are visible and returns them (empty on time-out).
QStringList waitForWindows(const QString &titlePattern, qint64 pid = 0, int count = 1,
                           int timeoutMs = 15000);
// A window's geometry in root coordinates (the client area, without the frame); "root" for the
// root window.
QRect windowGeometry(const QString &windowId);

// Runs the Xlib window tree listing and tells whether a window of the given WM_CLASS is
// embedded under trayer's "panel" window.
bool isEmbeddedInTray(const QString &windowClass);

// Starts a foreign window (xmessage) and gives it the focus, so that a key sent next reaches the
// program only through a system-wide grab.
class ForeignWindow
{
public:
    ForeignWindow();
    ~ForeignWindow();
    bool activate();
    QString windowId() const { return id; }

private:
    QProcess proc;
    QString id;
};

// Sends one key combination through XTEST, e.g. "ctrl+alt+x".
void key(const QString &combination);

// Clipboard: offered targets, and the bytes of one target.
QStringList clipboardTargets();
QByteArray clipboardData(const QString &target);
// The picture on the clipboard (read as image/png), null when none is offered.
QImage clipboardImage();
// Waits until the clipboard offers image/png, up to the time-out.
bool waitForClipboardImage(int timeoutMs = 10000);

// The whole screen as it is now.
QImage screenShot();

// Paints the known pattern (support::patternPixel) onto the root window, so any grabbed region
// can be checked pixel by pixel against its screen position. False when it could not be shown.
bool showPatternOnRoot(const QSize &screenSize);

// True when `condition` becomes true within the time-out; polls while events are processed.
template<typename Condition>
bool waitUntil(Condition condition, int timeoutMs = 10000)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(20);
    }
    return true;
}

// The window id of the tray icon of the given WM_CLASS that trayer has embedded; empty when none.
QString trayIconWindow(const QString &windowClass);
// True when the window is mapped and shown on the screen.
bool isViewable(const QString &windowId);
// Visible windows whose WM_CLASS matches the regular expression, optionally only of one process.
QStringList visibleWindowsOfClass(const QString &classPattern, qint64 pid = 0);
// The size of the whole desktop (the root window), every screen included.
QSize screenSize();
// Visible windows of one process (by _NET_WM_PID), whatever their titles.
QStringList visibleWindowsOfProcess(qint64 pid);

// The program's window title and WM_CLASS.
inline const QString programTitle = QStringLiteral("TAVO截图");
inline const QString programClass = QStringLiteral("tavo-screenshot");

// Waits for the program to end and tells whether it left normally with code 0.
bool endsWithZero(Program &program, int timeoutMs = 10000);

// A window's outer frame on the screen: its client area grown by the decorations the window
// manager says it added (_NET_FRAME_EXTENTS); null when it says none.
QRect outerFrame(const QString &windowId);

// One property of a window as xprop prints it after "=", e.g. "\"TAVO截图\"".
QString windowProperty(const QString &windowId, const QString &property);
// True when the window's _NET_WM_WINDOW_TYPE starts with the given type.
bool hasWindowType(const QString &windowId, const char *type);
// The process's visible windows titled like the program and of the given type: the panel is a
// utility window, boards and help windows are normal ones.
QStringList titledWindows(qint64 pid, const char *type);
// Waits for the panel of the process and returns its window (empty on time-out).
QString panelWindow(qint64 pid, int timeoutMs = 15000);
// The screen positions of the panel's buttons, left to right, found on a screen shot.
QVector<QPoint> panelButtonCentres(const QString &panelWindow);

// Gives a window the focus; false when the window manager did not take it.
bool activate(const QString &windowId);
// Mouse actions in screen coordinates.
void clickAt(const QPoint &at, int button = 1);
// A click at a point in a window's own coordinates.
void clickOnWindow(const QString &windowId, const QPoint &at, int button = 1);
// A left-button drag with a step on the way, so the window under it sees the pointer move.
void dragOnScreen(const QPoint &from, const QPoint &to);

// True while a pop-up menu of the process is shown.
bool menuIsOpen(qint64 pid);
// Opens a context menu with a right click on `window` at (x, y) and waits for it.
bool openMenuOn(const QString &window, const QPoint &at, qint64 pid);
// Picks the n-th entry (1-based) of the open menu with the keyboard.
void chooseMenuEntry(int n);

// Whether a window of the process covers exactly `area` (a region overlay on that screen).
bool windowCovers(qint64 pid, const QRect &area);

// Answers the Qt file dialog with the given caption by typing a path into it; true once the
// dialog has gone.
bool answerFileDialog(const QString &caption, const QString &path);

// Waits for a message box of the process (a dialog titled like the program) and returns it.
QString waitForMessage(qint64 pid, int timeoutMs = 15000);
// The text of a message box, copied through the clipboard as a user would.
QString messageText(const QString &messageWindow);

// Makes the clipboard hold nothing but an empty text, so the next picture on it is a new one.
bool clearClipboard();

} // namespace e2e
