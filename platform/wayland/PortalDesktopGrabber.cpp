#include "PortalDesktopGrabber.h"

#include "platform/GrabAnswer.h"
#include "platform/wayland/PortalRequest.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QUrl>

namespace {

constexpr const char *screenshotInterface = "org.freedesktop.portal.Screenshot";

DesktopPicture refusedPicture(uint response)
{
    // 1 is the user's cancel, 2 anything else (also a refused permission)
    if (response == 1)
        return DesktopPicture::failed(QStringLiteral("截图被取消了"),
                                      QStringLiteral("the Screenshot portal says the screenshot was cancelled"));
    return DesktopPicture::failed(QStringLiteral("截图门户拒绝了截图请求"),
                                  QStringLiteral("the Screenshot portal could not take the screenshot (response %1)").arg(response));
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
    // The request lives as a child of the context, so a context that goes takes the answer along;
    // the answer lives as long as the request's connections hold it.
    auto *request = new PortalRequest(bus, context);
    const auto answer = std::make_shared<GrabAnswer>(context, std::move(done));
    QObject::connect(request, &PortalRequest::answered, request, [request, answer](uint response, const QVariantMap &results) {
        answer->answer(pictureFromScreenshotAnswer(response, results));
        request->deleteLater();
    });
    QObject::connect(request, &PortalRequest::failed, request,
                     [request, answer, fallback = fallback](const QString &reason, bool unavailable) {
                         if (unavailable)
                             answer->handOver(fallback, DesktopPicture::failed(QStringLiteral("这个桌面没有截图门户"), reason));
                         else
                             answer->answer(DesktopPicture::failed(QStringLiteral("截图门户没有交出屏幕画面"), reason));
                         request->deleteLater();
                     });
    request->send(QLatin1String(screenshotInterface), QStringLiteral("Screenshot"), {QString()},
                  {{QStringLiteral("interactive"), false}}, timeoutMs);
}

DesktopPicture pictureFromScreenshotAnswer(uint response, const QVariantMap &results)
{
    if (response != 0)
        return refusedPicture(response);
    const QUrl uri(results.value(QStringLiteral("uri")).toString());
    if (!uri.isLocalFile())
        return DesktopPicture::failed(QStringLiteral("截图门户没有交出屏幕画面"),
                                      QStringLiteral("the Screenshot portal answered without a picture file"));
    const QString path = uri.toLocalFile();

    QImageReader reader(path);
    DesktopPicture picture;
    picture.image = reader.read();
    if (picture.image.isNull())
        picture = DesktopPicture::failed(
            QStringLiteral("无法读取截图门户交出的画面"),
            QStringLiteral("cannot read the portal's picture %1: %2").arg(path, reader.errorString()));
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
