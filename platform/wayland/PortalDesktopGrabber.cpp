#include "PortalDesktopGrabber.h"

#include "platform/wayland/PortalRequest.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QUrl>

namespace {

constexpr const char *screenshotInterface = "org.freedesktop.portal.Screenshot";

DesktopPicture failedPicture(const QString &reason)
{
    DesktopPicture picture;
    picture.failure = reason;
    return picture;
}

QString refusalReason(uint response)
{
    // 1 is the user's cancel, 2 anything else (also a refused permission)
    if (response == 1)
        return QStringLiteral("the screenshot was cancelled");
    return QStringLiteral("the Screenshot portal could not take the screenshot (response %1)").arg(response);
}

} // namespace

PortalDesktopGrabber::PortalDesktopGrabber(std::shared_ptr<DesktopGrabber> fallback, const QDBusConnection &bus,
                                           int timeoutMs)
    : fallback(std::move(fallback))
    , bus(bus)
    , timeoutMs(timeoutMs)
{
}

void PortalDesktopGrabber::grab(QObject *context, Done done)
{
    // The request lives as a child of the context, so a context that goes takes the answer along.
    auto *request = new PortalRequest(bus, context);
    QObject::connect(request, &PortalRequest::answered, request,
                     [request, done](uint response, const QVariantMap &results) {
                         request->deleteLater();
                         done(pictureFromScreenshotAnswer(response, results));
                     });
    QObject::connect(request, &PortalRequest::failed, request,
                     [request, done, fallback = fallback, context](const QString &reason, bool unavailable) {
                         request->deleteLater();
                         // The context is alive here: its going would have taken the request along.
                         if (unavailable && fallback)
                             fallback->grab(context, done);
                         else
                             done(failedPicture(reason));
                     });
    request->send(QLatin1String(screenshotInterface), QStringLiteral("Screenshot"), {QString()},
                  {{QStringLiteral("interactive"), false}}, timeoutMs);
}

DesktopPicture pictureFromScreenshotAnswer(uint response, const QVariantMap &results)
{
    if (response != 0)
        return failedPicture(refusalReason(response));
    const QUrl uri(results.value(QStringLiteral("uri")).toString());
    if (!uri.isLocalFile())
        return failedPicture(QStringLiteral("the Screenshot portal answered without a picture file"));
    const QString path = uri.toLocalFile();

    QImageReader reader(path);
    DesktopPicture picture;
    picture.image = reader.read();
    if (picture.image.isNull())
        picture.failure = QStringLiteral("cannot read the portal's picture %1: %2").arg(path, reader.errorString());
    else
        picture.screens = screenPartsScaledTo(picture.image.size());
    if (liesInTemporaryFolder(path))
        QFile::remove(path);
    return picture;
}

bool liesInTemporaryFolder(const QString &path)
{
    const QString file = QFileInfo(path).canonicalFilePath();
    if (file.isEmpty())
        return false;
    const QStringList folders{QDir::tempPath(), QStringLiteral("/tmp"), qEnvironmentVariable("XDG_RUNTIME_DIR")};
    for (const QString &folder : folders) {
        const QString canonical = folder.isEmpty() ? QString() : QFileInfo(folder).canonicalFilePath();
        if (!canonical.isEmpty() && file.startsWith(canonical + QLatin1Char('/')))
            return true;
    }
    return false;
}
