#include "FullScreenCapture.h"

#include "capture/CaptureSave.h"
#include "capture/ClipboardPicture.h"
#include "capture/PictureCut.h"
#include "common/BackgroundSave.h"
#include "common/FailureMessage.h"
#include "common/PictureDialog.h"
#include "platform/DesktopGrabber.h"
#include "platform/ShutterSound.h"
#include "platform/WindowWithdrawal.h"

#include <QMediaPlayer>
#include <QTimer>
#include <QWidget>

#include <utility>

FullScreenCapture::FullScreenCapture(QWidget *panel, DesktopGrabber &grabber, WindowWithdrawal &withdrawal)
    : QObject(panel)
    , panel(panel)
    , grabber(grabber)
    , withdrawal(withdrawal)
{
}

FullScreenCapture::~FullScreenCapture() = default;

void FullScreenCapture::take(const std::optional<QRect> &windowFrame)
{
    if (grabbing)
        return;
    grabbing = true;
    frame = windowFrame;
    // The panel leaves the screen first, so it is never in the picture.
    withdrawal.hide(panel, [this] {
        grabber.grab(this, [this](const DesktopPicture &desktop) { keep(desktop); });
    });
}

void FullScreenCapture::keep(const DesktopPicture &desktop)
{
    grabbing = false;
    const bool saveAfter = std::exchange(saveWaiting, false);
    // Nothing was taken: no shutter, the last capture stays for saving, the panel returns at once.
    // A save asked for meanwhile meant this capture: it is not carried out.
    if (!desktop.isValid()) {
        frame.reset();
        panel->show();
        showCaptureFailure(panel, desktop.failure);
        return;
    }
    QImage taken = desktop.image;
    if (const std::optional<QRect> window = std::exchange(frame, std::nullopt)) {
        const QRect area = frameInPicture(*window, desktop);
        if (area.isEmpty()) {
            panel->show();
            showFailure(panel, QStringLiteral("活动窗口不在任何屏幕上，没有截取。"));
            return;
        }
        taken = desktop.image.copy(area);
    }
    // The clipboard's PNG first: its encoding starts at once, while the pixmap copies the desktop
    // (tens of milliseconds for a large one).
    offerOnClipboard(taken, this, [this](const QString &why) { sayNotOnClipboard(why); });
    picture = QPixmap::fromImage(taken);
    startHiddenTime();
    // From the event loop: its dialog runs a loop of its own, and this is the grab's answer.
    if (saveAfter)
        QTimer::singleShot(0, this, &FullScreenCapture::save);
}

void FullScreenCapture::sayNotOnClipboard(const QString &why)
{
    // The shutter has sounded: without a word the user would paste the old clipboard.
    showFailure(panel, QStringLiteral("截图没有放到剪贴板上：%1。\n可以用“保存全屏截图”把它保存为文件。").arg(why));
}

void FullScreenCapture::startHiddenTime()
{
    // A capture within the previous one's time: that one's timer and sound end here, once; the
    // new timer brings the panel back.
    endHiddenTime();
    // After the grab: the first QMediaPlayer of a run starts the media back end, which takes
    // longer than the grab itself.
    player = startShutterSound(this);
    if (player)
        player->setObjectName(QStringLiteral("shutterPlayer"));
    timer = new QTimer(this);
    timer->setObjectName(QStringLiteral("captureTimer"));
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, &FullScreenCapture::hiddenTimeOver);
    timer->start(hiddenMs);
}

void FullScreenCapture::endHiddenTime()
{
    // deleteLater: the timer may be the sender of the signal being handled right now.
    if (timer) {
        timer->stop();
        timer->deleteLater();
        timer = nullptr;
    }
    if (player) {
        player->stop();
        player->deleteLater();
        player = nullptr;
    }
}

void FullScreenCapture::save()
{
    // The dialog would be in the picture, and the capture to save is the one being taken.
    if (grabbing) {
        saveWaiting = true;
        return;
    }
    if (refuseWhileSaving(panel))
        return;
    saveFileName = askSavePictureName(QStringLiteral("保存截图"), QString(), QStringLiteral("Picture(*.png *.jpg)"));
    if (saveFileName.isEmpty())
        return;
    // The name is asked for first, as ever; a user who chose one is told why nothing was written.
    if (picture.isNull()) {
        showNotice(panel, QStringLiteral("还没有截图，没有保存任何文件。请先按 Ctrl+Alt+X 截取全屏。"));
        return;
    }
    savePictureInBackground(panel, flattenOnWhite(picture), saveFileName);
}
