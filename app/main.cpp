#include "app/Home.h"
#include "common/ProgramTitle.h"
#include "platform/InstanceGuard.h"
#include "platform/PlatformChoice.h"
#include "platform/StartUp.h"

#include <QApplication>
#include <QScreen>

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

void placePanel(Home &panel)
{
    // The full geometry, not the available area: the 40 px are the whole task-bar allowance.
    // The primary screen need not start at the desktop's origin.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const int w = panel.width();
    const int h = panel.height();
    panel.setGeometry(screen.right() + 1 - w, screen.bottom() + 1 - h - taskBarAllowance, w, h);
}

} // namespace

int main(int argc, char *argv[])
{
    preferX11OnWayland();
    InstanceGuard instance;
    if (!instance.claim())
        return 0;

    returnLargeBlocksWhenFreed();
    QCoreApplication::addLibraryPath(QStringLiteral("plugins"));
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    useProgramIconForWindows();
    // Log-out and kill end the run like the exit menu entry, releasing hot keys and marker.
    const std::unique_ptr<QObject> terminationWatch = exitOnTerminationRequests();

    int result = 0;
    {
        Home panel;
        panel.setWindowTitle(programTitle());
        panel.show();
        placePanel(panel);
        result = QApplication::exec();
    }
    return result;
}
