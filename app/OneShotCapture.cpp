#include "OneShotCapture.h"

#include "capture/PictureCut.h"
#include "common/SafeSave.h"
#include "platform/DesktopGrabber.h"
#include "platform/WindowList.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <optional>

namespace {

// A grab that answers later (a portal) has its own time limit; this one only keeps a grab that
// never answers from leaving the process behind.
constexpr int grabPatienceMs = 60000;

int fail(const QString &fileName, const QString &reason)
{
    std::fprintf(stderr, "tavo-screenshot: cannot capture to %s: %s\n", qPrintable(fileName), qPrintable(reason));
    return 1;
}

// The focused window's frame, or why there is none to take.
std::optional<QRect> focusedFrame(QString *why)
{
    const std::unique_ptr<WindowList> windows = WindowList::forThisSession();
    if (!windows) {
        *why = QStringLiteral("this desktop does not tell which window is active");
        return std::nullopt;
    }
    const std::optional<WindowFrame> active = windows->activeWindow();
    if (!active) {
        *why = QStringLiteral("no window has the focus");
        return std::nullopt;
    }
    return active->area;
}

int writeCapture(const DesktopPicture &desktop, const std::optional<QRect> &frame, const QString &chosenName)
{
    const QString fileName = withPictureSuffix(chosenName);
    if (!desktop.isValid())
        return fail(fileName, desktop.detail.isEmpty() ? desktop.failure : desktop.detail);
    QImage picture = desktop.image;
    if (frame) {
        const QRect area = frameInPicture(*frame, desktop);
        if (area.isEmpty())
            return fail(fileName, QStringLiteral("the focused window is on no screen"));
        picture = desktop.image.copy(area);
    }
    const QByteArray format = pictureFormatFor(fileName);
    if (format.isEmpty())
        return fail(fileName, QStringLiteral("no picture format is known for the suffix '%1'")
                                  .arg(QFileInfo(fileName).suffix()));
    SaveFailure failure;
    if (!savePictureSafely(picture, fileName, format, &failure))
        return fail(fileName, failure.detail);
    return 0;
}

} // namespace

int captureOnceToFile(const QString &fileName, int delayMs, bool focusedWindow)
{
    const std::unique_ptr<DesktopGrabber> grabber = DesktopGrabber::forThisSession();
    QObject context;
    int status = -1;
    auto grab = [&] {
        // The window that has the focus once the wait is over, as the user arranged it meanwhile.
        std::optional<QRect> frame;
        QString why;
        if (focusedWindow && !(frame = focusedFrame(&why))) {
            status = fail(withPictureSuffix(fileName), why);
            QCoreApplication::exit(status);
            return;
        }
        grabber->grab(&context, [&, frame](const DesktopPicture &desktop) {
            status = writeCapture(desktop, frame, fileName);
            QCoreApplication::exit(status);
        });
    };
    if (delayMs > 0)
        QTimer::singleShot(delayMs, &context, grab);
    else
        grab();
    if (status >= 0)
        return status; // answered at once
    QTimer::singleShot(delayMs + grabPatienceMs, &context, [] { QCoreApplication::exit(-1); });
    QCoreApplication::exec();
    if (status < 0)
        return fail(fileName, QStringLiteral("the desktop grab did not answer"));
    return status;
}
