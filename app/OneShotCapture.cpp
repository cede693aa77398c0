#include "OneShotCapture.h"

#include "common/SafeSave.h"
#include "platform/DesktopGrabber.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace {

// A grab that answers later (a portal) has its own time limit; this one only keeps a grab that
// never answers from leaving the process behind.
constexpr int grabPatienceMs = 60000;

int fail(const QString &fileName, const QString &reason)
{
    std::fprintf(stderr, "tavo-screenshot: cannot capture to %s: %s\n", qPrintable(fileName), qPrintable(reason));
    return 1;
}

int writeCapture(const DesktopPicture &desktop, const QString &chosenName)
{
    const QString fileName = withPictureSuffix(chosenName);
    if (!desktop.isValid())
        return fail(fileName, desktop.detail.isEmpty() ? desktop.failure : desktop.detail);
    const QByteArray format = pictureFormatFor(fileName);
    if (format.isEmpty())
        return fail(fileName, QStringLiteral("no picture format is known for the suffix '%1'")
                                  .arg(QFileInfo(fileName).suffix()));
    SaveFailure failure;
    if (!savePictureSafely(desktop.image, fileName, format, &failure))
        return fail(fileName, failure.detail);
    return 0;
}

} // namespace

int captureOnceToFile(const QString &fileName)
{
    const std::unique_ptr<DesktopGrabber> grabber = DesktopGrabber::forThisSession();
    QObject context;
    int status = -1;
    grabber->grab(&context, [&](const DesktopPicture &desktop) {
        status = writeCapture(desktop, fileName);
        QCoreApplication::exit(status);
    });
    if (status >= 0)
        return status; // answered at once
    QTimer::singleShot(grabPatienceMs, &context, [] { QCoreApplication::exit(-1); });
    QCoreApplication::exec();
    if (status < 0)
        return fail(fileName, QStringLiteral("the desktop grab did not answer"));
    return status;
}
