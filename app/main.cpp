#include "app/Home.h"
#include "app/InstanceGuard.h"
#include "app/Platform.h"
#ifndef Q_OS_WIN
#include "app/UnixSignalExit.h"
#endif

#include <QApplication>
#include <QIcon>
#include <QScreen>

namespace {

constexpr int taskBarAllowance = 40;

void placePanel(Home &panel)
{
    // The full geometry, not the available area: the 40 px are the whole task-bar allowance.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const int w = panel.width();
    const int h = panel.height();
    panel.setGeometry(screen.width() - w, screen.height() - h - taskBarAllowance, w, h);
}

} // namespace

int main(int argc, char *argv[])
{
    preferX11OnWayland();
    InstanceGuard instance;
    if (!instance.claim())
        return 0;

    QCoreApplication::addLibraryPath(QStringLiteral("plugins"));
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
#ifndef Q_OS_WIN
    // On Windows the executable's icon resource already gives every window its icon.
    QIcon icon;
    icon.addFile(QStringLiteral(":/resources/icons/tavo-screenshot-32.png"));
    icon.addFile(QStringLiteral(":/resources/icons/tavo-screenshot-256.png"));
    QApplication::setWindowIcon(icon);
    // Log-out and kill end the run like the exit menu entry, releasing hot keys and marker.
    UnixSignalExit signalExit;
#endif

    int result = 0;
    {
        Home panel;
        panel.setWindowTitle(QStringLiteral("TAVO截图"));
        panel.show();
        placePanel(panel);
        result = QApplication::exec();
    }
    return result;
}
