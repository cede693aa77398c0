#include "OverlayHosts.h"

#include "OverlayHost.h"

#include <QScreen>

OverlayHosts::OverlayHosts(QObject *parent)
    : QObject(parent)
{
    idle.setSingleShot(true);
    idle.setInterval(keptMilliseconds);
    connect(&idle, &QTimer::timeout, this, &OverlayHosts::releaseAll);
}

OverlayHosts::~OverlayHosts()
{
    releaseAll();
}

OverlayHost *OverlayHosts::hostFor(QScreen *screen)
{
    idle.start();
    QPointer<OverlayHost> &host = hosts[screen];
    if (!host) {
        host = new OverlayHost;
        // A screen that goes takes its window along.
        connect(screen, &QObject::destroyed, this, [this, screen] {
            if (const QPointer<OverlayHost> gone = hosts.take(screen))
                gone->deleteLater();
        });
    }
    return host;
}

int OverlayHosts::count() const
{
    int kept = 0;
    for (const QPointer<OverlayHost> &host : hosts)
        kept += host ? 1 : 0;
    return kept;
}

void OverlayHosts::releaseAll()
{
    // A window still showing an overlay stays until the next release.
    for (auto it = hosts.begin(); it != hosts.end();) {
        if (it.value() && it.value()->isVisible()) {
            idle.start();
            ++it;
            continue;
        }
        delete it.value().data();
        it = hosts.erase(it);
    }
}
