#include "RegionCaptures.h"

#include "LongScreenshot.h"
#include "capture/OverlayHosts.h"
#include "capture/PictureCut.h"
#include "capture/RegionCapture.h"
#include "common/BackgroundSave.h"
#include "common/FailureMessage.h"
#include "longshot/LongCapture.h"
#include "ocr/TextRecognitionWindow.h"
#include "pin/Pins.h"
#include "platform/DesktopGrabber.h"
#include "platform/WindowList.h"
#include "platform/WindowWithdrawal.h"

#include <QScreen>
#include <QWidget>

RegionCaptures::RegionCaptures(QWidget &panel, DesktopGrabber &grabber, WindowWithdrawal &withdrawal,
                               WindowList *windows, std::function<bool()> otherGrab)
    : QObject(&panel)
    , panel(panel)
    , grabber(grabber)
    , withdrawal(withdrawal)
    , windowList(windows)
    , otherGrab(std::move(otherGrab))
    , hosts(new OverlayHosts(this))
{
}

void RegionCaptures::start(bool fromLast)
{
    // One region capture at a time: asking again brings the open one forward.
    if (capture) {
        capture->activate();
        return;
    }
    if (grabbing || otherGrab())
        return;
    grabWithoutPanel([this, fromLast](const DesktopPicture &desktop, bool panelWasShown) {
        open(desktop, panelWasShown, fromLast);
    });
}

void RegionCaptures::grabWithoutPanel(std::function<void(const DesktopPicture &, bool panelWasShown)> then)
{
    grabbing = true;
    const bool panelWasShown = panel.isVisible();
    withdrawal.hide(&panel, [this, panelWasShown, then = std::move(then)] {
        grabber.grab(this, [this, panelWasShown, then](const DesktopPicture &desktop) {
            grabbing = false;
            then(desktop, panelWasShown);
        });
    });
}

void RegionCaptures::open(const DesktopPicture &desktop, bool panelWasShown, bool fromLast)
{
    // The windows as they were when the desktop was taken, before the overlays cover them.
    const QVector<WindowFrame> windows = windowList ? windowList->windows() : QVector<WindowFrame>();
    capture = new RegionCapture(desktop, windows, hosts, this);
    connect(capture, &RegionCapture::pinRequested, this,
            [](const QImage &picture, const QPoint &topLeft, QScreen *screen) {
                pinPicture(picture, screen ? screen->geometry().topLeft() + topLeft : topLeft, screen);
            });
    connect(capture, &RegionCapture::textRequested, this, [](const QImage &picture) {
        showTextRecognition(picture);
    });
    connect(capture, &RegionCapture::selectionTaken, this, [this](const QString &screenName, const Selection &selection) {
        taken = TakenRegion{screenName, selection};
    });
    connectHandOvers(panelWasShown);
    capture->open();
    if (fromLast && taken)
        capture->choose(taken->screenName, taken->selection);
}

void RegionCaptures::connectHandOvers(bool panelWasShown)
{
    // The panel comes back as it was once the capture is over, not over the frozen desktop; after
    // a long screenshot only once that has ended, as the panel over its region would be joined
    // into the picture.
    connect(capture, &RegionCapture::longCaptureRequested, this,
            [this, panelWasShown](const QRect &area, QScreen *screen) {
                longCapture = startLongScreenshot(area, screen, grabber, &panel);
                if (panelWasShown)
                    connect(longCapture, &LongCapture::finished, &panel, &QWidget::show);
            });
    connect(capture, &RegionCapture::finished, this, [this, panelWasShown] {
        if (panelWasShown && !longCapture)
            panel.show();
    });
}

void RegionCaptures::saveLast(const QString &fileName)
{
    if (!taken) {
        showNotice(&panel, QStringLiteral("还没有上次区域：请先用自由截图复制、保存或钉住一个区域。"));
        return;
    }
    if (capture || grabbing || otherGrab())
        return;
    grabWithoutPanel([this, fileName](const DesktopPicture &desktop, bool panelWasShown) {
        if (panelWasShown)
            panel.show();
        writeLast(desktop, fileName);
    });
}

void RegionCaptures::writeLast(const DesktopPicture &desktop, const QString &fileName)
{
    if (!desktop.isValid()) {
        showCaptureFailure(&panel, desktop.failure);
        return;
    }
    const QRect area = regionInPicture(taken->screenName, taken->selection, desktop);
    if (area.isEmpty()) {
        showNotice(&panel, QStringLiteral("上次区域所在的屏幕已经不在了，没有保存任何文件。"));
        return;
    }
    savePictureInBackground(&panel, desktop.image.copy(area), fileName);
}
