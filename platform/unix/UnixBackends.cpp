// The back ends of a Unix build: X11 where the application runs on xcb, the toolkit's own
// services elsewhere.
#include "platform/DesktopGrabber.h"
#include "platform/GlobalHotKeys.h"
#include "platform/NoGlobalHotKeys.h"
#include "platform/QtDesktopGrabber.h"
#include "platform/StartUp.h"
#include "platform/unix/UnixSignalExit.h"
#include "platform/x11/X11HotKeys.h"

#include <QGuiApplication>
#include <QIcon>

namespace {

bool onX11()
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

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
