#include "RegionCapture.h"

#include "FreedomCut.h"
#include "OverlayHost.h"
#include "OverlayHosts.h"
#include "SelectionGeometry.h"
#include "markup/MarkupDocument.h"
#include "platform/DesktopGrabber.h"
#include "platform/WindowList.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

RegionCapture::RegionCapture(const DesktopPicture &desktop, QObject *parent)
    : RegionCapture(desktop, {}, nullptr, parent)
{
}

RegionCapture::RegionCapture(const DesktopPicture &desktop, const QVector<WindowFrame> &windows, OverlayHosts *hosts,
                             QObject *parent)
    : QObject(parent)
    , frozen(QPixmap::fromImage(desktop.image))
    , document(new MarkupDocument(desktop.image, this))
{
    for (const ScreenPart &part : desktop.screens)
        if (part.screen)
            addOverlay(part.screen, part.area, part.scale, windows, hosts);
    if (shown.isEmpty()) {
        // No picture (a refused grab): the overlays still show where a region would be chosen,
        // and say why the desktop is missing.
        for (QScreen *screen : QGuiApplication::screens())
            addOverlay(screen, QRect(), 0, {}, hosts)->setFailure(desktop.failure);
    }
}

RegionCapture::~RegionCapture()
{
    ending = true;
    for (const Overlay &overlay : qAsConst(shown)) {
        delete overlay.window.data();
        if (overlay.host)
            overlay.host->hide();
    }
}

FreedomCut *RegionCapture::addOverlay(QScreen *screen, const QRect &area, qreal scale,
                                      const QVector<WindowFrame> &windows, OverlayHosts *hosts)
{
    const OverlayPlacement placement{area.isEmpty() ? QRect() : area, scale > 0 ? scale : screen->devicePixelRatio()};
    OverlayHost *host = hosts ? hosts->hostFor(screen) : nullptr;
    auto *overlay = new FreedomCut(area.isEmpty() ? QPixmap() : frozen, placement, host, document);
    connect(overlay, &FreedomCut::pinRequested, this, [this, screen](const QImage &picture, const QPoint &topLeft) {
        emit pinRequested(picture, topLeft, screen);
    });
    connect(overlay, &FreedomCut::textRequested, this, &RegionCapture::textRequested);
    const QString screenName = screen->name();
    connect(overlay, &FreedomCut::selectionTaken, this, [this, screenName](const Selection &taken) {
        emit selectionTaken(screenName, taken);
    });
    connect(overlay, &FreedomCut::longCaptureRequested, this, [this, screen](const QRect &area) {
        emit longCaptureRequested(area.translated(screen->geometry().topLeft()), screen);
    });
    if (!area.isEmpty()) {
        QVector<QRect> frames;
        frames.reserve(windows.size());
        for (const WindowFrame &window : windows)
            frames.append(frameOnOverlay(window.area, windowSystemArea(screen), area.size()));
        overlay->setWindowFrames(frames);
    }
    connect(overlay, &QObject::destroyed, this, &RegionCapture::overlayClosed);
    connect(overlay, &FreedomCut::selectionStarted, this, [this, overlay] { clearOthers(overlay); });
    shown.append({overlay, screen, host});
    return overlay;
}

void RegionCapture::open()
{
    for (const Overlay &overlay : qAsConst(shown)) {
        if (!overlay.window || !overlay.screen)
            continue;
        if (overlay.host)
            overlay.host->showOverlay(overlay.window, overlay.screen);
        else
            overlay.window->showOn(overlay.screen);
    }
    activate();
}

void RegionCapture::activate()
{
    // The keyboard goes to the overlay under the pointer, so Escape reaches the capture.
    QScreen *underPointer = QGuiApplication::screenAt(QCursor::pos());
    FreedomCut *focused = nullptr;
    for (FreedomCut *overlay : overlays()) {
        overlay->window()->raise();
        if (!focused || overlay->screen() == underPointer)
            focused = overlay;
    }
    if (focused)
        focused->activateWindow();
}

QVector<FreedomCut *> RegionCapture::overlays() const
{
    QVector<FreedomCut *> open;
    for (const Overlay &overlay : shown)
        if (overlay.window)
            open.append(overlay.window);
    return open;
}

void RegionCapture::choose(const QString &screenName, const Selection &chosen)
{
    for (const Overlay &overlay : qAsConst(shown)) {
        if (overlay.window && overlay.screen && overlay.screen->name() == screenName) {
            overlay.window->chooseSelection(chosen);
            // Enter and the arrows act on this selection at once.
            overlay.window->activateWindow();
        }
    }
}

void RegionCapture::clearOthers(FreedomCut *selecting)
{
    for (FreedomCut *overlay : overlays())
        if (overlay != selecting)
            overlay->clearSelection();
}

void RegionCapture::overlayClosed()
{
    if (ending)
        return;
    ending = true;
    // One overlay has ended the capture: the others go with it.
    for (FreedomCut *overlay : overlays())
        overlay->close();
    emit finished();
    deleteLater();
}
