#include "app/ClipboardAtExit.h"
#include "app/CommandLine.h"
#include "app/GnomeKeyBindingOffer.h"
#include "app/Home.h"
#include "app/OneShotCapture.h"
#include "app/PanelRequests.h"
#include "app/TextOfPicture.h"
#include "app/ToolkitLanguage.h"
#include "common/BackgroundSave.h"
#include "common/ProgramTitle.h"
#include "pin/Pins.h"
#include "platform/InstanceGuard.h"
#include "platform/PlatformChoice.h"
#include "platform/StartUp.h"
#include "platform/WindowList.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <memory>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

constexpr int taskBarAllowance = 40;

// Captures and the region overlay's frozen desktop are screen-sized blocks. Once glibc has freed
// one such mapped block it raises its threshold and serves the next ones from the heap, which
// keeps freed blocks: each overlay after the first would leave the process a screen or two
// larger. A fixed threshold keeps them mapped, so they go back to the system when freed.
void returnLargeBlocksWhenFreed()
{
#ifdef __GLIBC__
    constexpr int largeBlockBytes = 1 << 20;
    mallopt(M_MMAP_THRESHOLD, largeBlockBytes);
#endif
}

// Qt plug-ins bundled with the program (a Windows build) sit in plugins/ beside it. The folder is
// resolved against the program's own, never the current one: a plug-in in ./plugins of wherever
// the program was started from would otherwise be loaded and run.
void usePluginsBesideProgram()
{
    QCoreApplication::addLibraryPath(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("plugins")));
}

// Loading the font database takes tens of milliseconds on a desktop with many fonts, and the
// panel does not need it (its buttons are pictures); the first menu or tool tip does. It loads
// on a thread of its own while the panel comes up, and is ready by the time it is needed.
class FontWarmUp
{
public:
    FontWarmUp() { worker->start(); }
    ~FontWarmUp() { worker->wait(); }

private:
    const std::unique_ptr<QThread> worker{QThread::create([] { QFontDatabase().families(); })};
};

void placePanel(Home &panel)
{
    // The full geometry, not the available area: the 40 px are the whole task-bar allowance.
    // The primary screen need not start at the desktop's origin.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const int w = panel.width();
    const int h = panel.height();
    panel.setGeometry(screen.right() + 1 - w, screen.bottom() + 1 - h - taskBarAllowance, w, h);
}

QStringList argumentsOf(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

int printAndEnd(const CommandLine &command)
{
    std::fputs(qPrintable(command.text), command.exitStatus == 0 ? stdout : stderr);
    return command.exitStatus;
}

// A pin asked for on the command line that has nothing to pin is refused here, with its reason
// and status 1, whichever process would have pinned it; the running instance only says it in a
// message, which the command's caller never sees.
bool refusedPin(const std::optional<InstanceRequest> &request)
{
    if (!request || request->verb != InstanceRequest::Verb::Pin)
        return false;
    QString failure;
    if (canPin(request->file, &failure))
        return false;
    const QString source = request->file == clipboardPinSource ? QStringLiteral("the clipboard") : request->file;
    std::fprintf(stderr, "tavo-screenshot: cannot pin %s: %s\n", qPrintable(source), qPrintable(failure));
    return true;
}

// A window capture where the desktop does not tell which window has the focus is refused here,
// with status 1, as a pin of nothing is. Without a delay the focus is known now; with one it is
// the running instance that looks, once the wait is over.
bool refusedWindow(const std::optional<InstanceRequest> &request)
{
    if (!request || request->verb != InstanceRequest::Verb::Window)
        return false;
    const std::unique_ptr<WindowList> windows = WindowList::forThisSession();
    const char *reason = nullptr;
    if (!windows)
        reason = "this desktop does not tell which window is active";
    else if (request->delayMs == 0 && !windows->activeWindow())
        reason = "no window has the focus";
    if (!reason)
        return false;
    std::fprintf(stderr, "tavo-screenshot: cannot capture the active window: %s\n", reason);
    return true;
}

// The last region lives in the running instance only: a process that starts in its place has
// none to write.
bool refusedLastRegionFile(const std::optional<InstanceRequest> &request)
{
    if (!request || request->verb != InstanceRequest::Verb::Region || !request->last || request->file.isEmpty())
        return false;
    std::fprintf(stderr, "tavo-screenshot: cannot capture to %s: no region was taken before; "
                         "the last region is kept by a running instance only\n", qPrintable(request->file));
    return true;
}

// A later start: the running instance performs the request (a plain start shows its panel).
int handOver(int argc, char *argv[], InstanceGuard &instance, const InstanceRequest &request)
{
    // Only the clipboard and the focused window need the window system; everything else goes
    // without a connection to it.
    const bool readsClipboard = request.verb == InstanceRequest::Verb::Pin && request.file == clipboardPinSource;
    const bool asksFocus = request.verb == InstanceRequest::Verb::Window;
    const std::unique_ptr<QCoreApplication> app(readsClipboard || asksFocus ? new QGuiApplication(argc, argv)
                                                                            : new QCoreApplication(argc, argv));
    // A pinned file is read here first, with the image plug-ins the instance would use.
    usePluginsBesideProgram();
    if (refusedPin(request) || refusedWindow(request))
        return 1;
    QString failure;
    if (instance.send(request, &failure))
        return 0;
    if (instance.isClaimed())
        return 0;
    // No instance reached, and none could be ruled out: starting one more is not safe.
    if (!instance.lockFailure().isEmpty())
        failure = instance.lockFailure();
    std::fprintf(stderr, "tavo-screenshot: %s\n", qPrintable(failure));
    return 1;
}

int runResident(int argc, char *argv[], InstanceGuard &instance, const std::optional<InstanceRequest> &request)
{
    returnLargeBlocksWhenFreed();
    QApplication app(argc, argv);
    usePluginsBesideProgram();
    QApplication::setQuitOnLastWindowClosed(false);
    useProgramIconForWindows();
    useChineseInToolkitTexts();
    if (refusedPin(request) || refusedWindow(request) || refusedLastRegionFile(request))
        return 1;
    // Log-out and kill end the run like the exit menu entry, releasing hot keys and the lock.
    const std::unique_ptr<QObject> terminationWatch = exitOnTerminationRequests();
    const FontWarmUp fonts;
    instance.listen();

    int result = 0;
    {
        Home panel;
        panel.setWindowTitle(programTitle());
        QObject::connect(&instance, &InstanceGuard::requested, &panel,
                         [&panel](const InstanceRequest &later) { performRequest(panel, later); });
        panel.show();
        placePanel(panel);
        if (request)
            QTimer::singleShot(0, &panel, [&panel, first = *request] { performRequest(panel, first); });
#ifndef Q_OS_WIN
        QTimer::singleShot(0, &panel, [&panel] { offerGnomeKeyBindings(&panel); });
#endif
        result = QApplication::exec();
    }
    // A save still under way when the run was asked to end is completed, and its failure said.
    for (const QString &failure : finishPictureSaves())
        std::fprintf(stderr, "tavo-screenshot: %s\n", qPrintable(failure));
    offerOnlyPngForHandOver();
    return result;
}

} // namespace

int main(int argc, char *argv[])
{
    const CommandLine command = parseCommandLine(argumentsOf(argc, argv));
    // Everything but the resident run may have something to say on the command line.
    if (command.endsAtOnce || command.request || !command.outputFile.isEmpty() || !command.textFile.isEmpty())
        useParentConsoleForOutput();
    if (command.endsAtOnce)
        return printAndEnd(command);
    // Reading a file's text needs no desktop and no instance.
    if (!command.textFile.isEmpty()) {
        QCoreApplication app(argc, argv);
        usePluginsBesideProgram();
        return printTextOfPicture(command.textFile);
    }
    if (!hasGraphicalDesktop()) {
        std::fputs("tavo-screenshot: a graphical desktop is needed, but neither DISPLAY nor "
                   "WAYLAND_DISPLAY is set\n", stderr);
        return 1;
    }
    runNativelyOnWayland();
    leaveOutOpenGl();

    if (!command.outputFile.isEmpty()) {
        QApplication app(argc, argv);
        usePluginsBesideProgram();
        return captureOnceToFile(command.outputFile, command.outputDelayMs, command.outputWindow);
    }

    InstanceGuard instance;
    if (!instance.claim()) {
        const int status = handOver(argc, argv, instance, command.request.value_or(InstanceRequest{}));
        // The instance ended while we called it: this process runs in its place.
        if (!instance.isClaimed())
            return status;
    }
    // Nothing runs that could be ended.
    if (command.request && command.request->verb == InstanceRequest::Verb::Quit)
        return 0;
    return runResident(argc, argv, instance, command.request);
}
