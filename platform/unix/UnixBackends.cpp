// The back ends of a Unix build: X11 where the application runs on xcb, the desktop portals on
// Wayland, the toolkit's own services elsewhere.
#include "platform/BackendChoice.h"
#include "platform/ClipboardKeeper.h"
#include "platform/DelayedWithdrawal.h"
#include "platform/DesktopGrabber.h"
#include "platform/EndKeys.h"
#include "platform/GlobalHotKeys.h"
#include "platform/KeepAbove.h"
#include "platform/NoGlobalHotKeys.h"
#include "platform/QtDesktopGrabber.h"
#include "platform/SoundOutput.h"
#include "platform/StartUp.h"
#include "platform/WindowList.h"
#include "platform/WindowSystem.h"
#include "platform/WindowWithdrawal.h"
#include "platform/unix/GStreamerDecoders.h"
#include "platform/unix/UnixSignalExit.h"
#include "platform/wayland/KWinKeepAbove.h"
#include "platform/wayland/KWinWindowList.h"
#include "platform/wayland/GrimDesktopGrabber.h"
#include "platform/wayland/KWinDesktopGrabber.h"
#include "platform/wayland/PortalDesktopGrabber.h"
#include "platform/wayland/PortalHotKeys.h"
#include "platform/wayland/SwayWindowList.h"
#include "platform/wayland/WaylandGrabberChoice.h"
#ifdef TAVO_WAYLAND_SCREENCOPY
#include "platform/wayland/ScreencopyDesktopGrabber.h"
#endif
#ifdef TAVO_WAYLAND_VIRTUAL_POINTER
#include "platform/wayland/VirtualPointerPageScroller.h"
#endif
#include "platform/x11/X11ClipboardManager.h"
#include "platform/x11/X11DesktopGrabber.h"
#include "platform/x11/X11EndKeys.h"
#include "platform/x11/X11HotKeys.h"
#include "platform/x11/X11PageScroller.h"
#include "platform/x11/X11WindowList.h"
#include "platform/x11/X11WindowWithdrawal.h"

#include <QDBusConnection>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QWidget>

GlobalHotKeys *GlobalHotKeys::create(QWidget *window)
{
    if (runsOnX11())
        return new X11HotKeys(window);
    if (runsOnWayland())
        return new PortalHotKeys(window);
    return new NoGlobalHotKeys(window);
}

namespace {

// The grabber named in TAVO_GRABBER, alone: no other stands in when it fails, so that its own
// failure is seen. Null for the automatic choice.
std::unique_ptr<DesktopGrabber> namedDesktopGrabber()
{
    std::unique_ptr<DesktopGrabber> chosen;
    auto needs = [](bool usable, QString *why, const char *reason) {
        if (!usable)
            *why = QLatin1String(reason);
        return usable;
    };
    const QVector<NamedBackend> grabbers{
        {QStringLiteral("x11"), [&](QString *why) {
             if (!needs(runsOnX11(), why, "the program does not run on X11"))
                 return false;
             chosen = std::make_unique<X11DesktopGrabber>();
             return true;
         }},
        {QStringLiteral("screencopy"), [&](QString *why) {
#ifdef TAVO_WAYLAND_SCREENCOPY
             if (runsOnWayland())
                 chosen = ScreencopyDesktopGrabber::connect(nullptr);
#endif
             return needs(chosen != nullptr, why, "no Wayland compositor with the screencopy protocol");
         }},
        {QStringLiteral("kwin"), [&](QString *why) {
             if (!needs(KWinDesktopGrabber::isRunning(), why, "KWin does not run on the session bus"))
                 return false;
             chosen = std::make_unique<KWinDesktopGrabber>();
             return true;
         }},
        {QStringLiteral("portal"), [&](QString *why) {
             if (!needs(QDBusConnection::sessionBus().isConnected(), why, "no session bus"))
                 return false;
             chosen = std::make_unique<PortalDesktopGrabber>();
             return true;
         }},
        {QStringLiteral("grim"), [&](QString *why) {
             auto grim = std::make_unique<GrimDesktopGrabber>();
             if (!needs(runsOnWayland() && grim->isAvailable(), why, "grim needs Wayland and the grim program"))
                 return false;
             chosen = std::move(grim);
             return true;
         }},
        {QStringLiteral("qt"), [&](QString *) {
             chosen = std::make_unique<QtDesktopGrabber>();
             return true;
         }},
    };
    chooseNamedBackend("TAVO_GRABBER", grabbers);
    return chosen;
}

} // namespace

std::unique_ptr<DesktopGrabber> DesktopGrabber::forThisSession()
{
    if (std::unique_ptr<DesktopGrabber> named = namedDesktopGrabber())
        return named;
    if (runsOnX11())
        return std::make_unique<X11DesktopGrabber>();
    // A Wayland client sees no screen but its own windows: the compositor hands the picture over.
    if (runsOnWayland())
        return waylandDesktopGrabber();
    return std::make_unique<QtDesktopGrabber>();
}

std::unique_ptr<WindowWithdrawal> WindowWithdrawal::forThisSession()
{
    if (runsOnX11())
        return std::make_unique<X11WindowWithdrawal>();
    return std::make_unique<DelayedWithdrawal>();
}

std::unique_ptr<WindowList> WindowList::forThisSession()
{
    if (runsOnX11())
        return std::make_unique<X11WindowList>();
    if (!runsOnWayland())
        return nullptr;
    // Of the Wayland compositors sway and KWin tell a program where the windows are; GNOME never.
    const QString swaySocket = qEnvironmentVariable("SWAYSOCK");
    if (!swaySocket.isEmpty())
        return std::make_unique<SwayWindowList>(swaySocket);
    if (KWinWindowList::isRunning())
        return std::make_unique<KWinWindowList>();
    return nullptr;
}

std::unique_ptr<QObject> exitOnTerminationRequests()
{
    return std::make_unique<UnixSignalExit>();
}

void useProgramIconForWindows()
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/resources/icons/tavo-screenshot-32.png"));
    icon.addFile(QStringLiteral(":/resources/icons/tavo-screenshot-256.png"));
    QGuiApplication::setWindowIcon(icon);
}

bool hasGraphicalDesktop()
{
    // A platform of the user's own choice that needs no desktop (offscreen, vnc, a framebuffer).
    const QString chosen = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (!chosen.isEmpty() && !chosen.startsWith(QLatin1String("xcb")) && !chosen.startsWith(QLatin1String("wayland")))
        return true;
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

namespace {

bool soundOutputAvailable()
{
    // An output of the user's own choice (a null sink among them) is taken as it is.
    if (!qEnvironmentVariableIsEmpty("QT_GSTREAMER_PLAYBIN_AUDIOSINK"))
        return true;
    // A sound server (PulseAudio, or PipeWire in its place): the automatic choice finds it first.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!qEnvironmentVariableIsEmpty("PULSE_SERVER")
        || (!runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/pulse/native"))))
        return true;
#ifdef Q_OS_LINUX
    // No server but a sound card: played straight to it, without the automatic choice first
    // trying (and loudly failing to reach) a server.
    if (!QDir(QStringLiteral("/dev/snd")).entryList({QStringLiteral("pcmC*D*p")}, QDir::System).isEmpty()) {
        qputenv("QT_GSTREAMER_PLAYBIN_AUDIOSINK", "alsasink");
        return true;
    }
    return false;
#else
    return true;
#endif
}

} // namespace

bool soundCanPlay()
{
    return soundOutputAvailable() && gstreamerCanPlayMp3();
}

bool clipboardKeptAfterExit()
{
    // Elsewhere (Wayland) the compositor or a manager may keep it: assume so.
    return runsOnX11() ? x11ClipboardManagerRunning() : true;
}

void useParentConsoleForOutput()
{
    // Standard output and error are the terminal's already.
}

void keepAboveOtherWindows(QWidget *window)
{
    // On xcb the toolkit asks the window manager for _NET_WM_STATE_ABOVE; Wayland has no such
    // request, so KWin is asked in its own way.
    window->setWindowFlag(Qt::WindowStaysOnTopHint);
    if (runsOnWayland())
        keepAboveOnKWin(window);
}

std::unique_ptr<PageScroller> PageScroller::forThisSession()
{
    if (runsOnX11())
        return std::make_unique<X11PageScroller>();
    // Of the Wayland compositors only wlroots' let a client add a pointer of its own; on the
    // others (KWin, GNOME) the user turns the wheel.
#ifdef TAVO_WAYLAND_VIRTUAL_POINTER
    if (runsOnWayland())
        if (std::unique_ptr<VirtualPointerPageScroller> scroller = VirtualPointerPageScroller::connect())
            return scroller;
#endif
    return std::make_unique<NoPageScroller>();
}

EndKeys *EndKeys::create(QObject *parent)
{
    if (runsOnX11())
        return new X11EndKeys(parent);
    // Wayland holds no keys for a program; its own windows answer them.
    return new EndKeys(parent);
}
