// The back ends of a Unix build: X11 where the application runs on xcb, the toolkit's own
// services elsewhere.
#include "platform/ClipboardKeeper.h"
#include "platform/DesktopGrabber.h"
#include "platform/GlobalHotKeys.h"
#include "platform/QtDesktopGrabber.h"
#include "platform/SoundOutput.h"
#include "platform/StartUp.h"
#include "platform/unix/GStreamerDecoders.h"
#include "platform/unix/UnixSignalExit.h"
#include "platform/x11/X11ClipboardManager.h"
#include "platform/x11/X11HotKeys.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>

namespace {

bool onX11()
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

// Where no key can be held system-wide: the hot keys are simply not there.
class NoGlobalHotKeys : public GlobalHotKeys
{
public:
    using GlobalHotKeys::GlobalHotKeys;
    QVector<int> heldIds() const override { return {}; }

protected:
    void grab() override {}
    void release() override {}
};

} // namespace

GlobalHotKeys *GlobalHotKeys::create(QWidget *window)
{
    if (onX11())
        return new X11HotKeys(window);
    return new NoGlobalHotKeys(window);
}

std::unique_ptr<DesktopGrabber> DesktopGrabber::forThisSession()
{
    // The toolkit grabs the root window, which spans every screen of the virtual desktop.
    return std::make_unique<QtDesktopGrabber>();
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
    return onX11() ? x11ClipboardManagerRunning() : true;
}

void useParentConsoleForOutput()
{
    // Standard output and error are the terminal's already.
}
