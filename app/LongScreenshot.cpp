#include "LongScreenshot.h"

#include "capture/ClipboardPicture.h"
#include "common/FailureMessage.h"
#include "longshot/LongCapture.h"
#include "longshot/LongResult.h"
#include "pin/Pins.h"

#include <QGuiApplication>
#include <QImage>
#include <QScreen>

LongCapture *startLongScreenshot(const QRect &logicalArea, QScreen *screen, DesktopGrabber &grabber, QObject *parent)
{
    auto *capture = new LongCapture(logicalArea, screen, grabber, parent);
    QObject::connect(capture, &LongCapture::finished, [](const QImage &picture, const QString &message) {
        if (picture.isNull()) {
            if (!message.isEmpty())
                showFailure(nullptr, message);
            return;
        }
        auto *result = new LongResult(picture);
        offerOnClipboard(picture, result, [result](const QString &why) { showFailure(result, why); });
        QObject::connect(result, &LongResult::pinRequested, [](const QImage &long_) {
            QScreen *screen = QGuiApplication::primaryScreen();
            pinPicture(long_, screen ? screen->geometry().topLeft() : QPoint(), screen);
        });
        result->show();
        result->raise();
        result->activateWindow();
        if (!message.isEmpty())
            showNotice(result, message);
    });
    capture->start();
    return capture;
}
