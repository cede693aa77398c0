#include "KWinDesktopGrabber.h"

#include "platform/GrabAnswer.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>
#include <QSocketNotifier>

#include <cerrno>
#include <limits>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr const char *screenShotPath = "/org/kde/KWin/ScreenShot2";
constexpr const char *screenShotInterface = "org.kde.KWin.ScreenShot2";
// A pipe holds 64 KiB unless told otherwise.
constexpr int readChunkBytes = 64 * 1024;

using Done = DesktopGrabber::Done;

DesktopPicture failedPicture(const QString &detail)
{
    return DesktopPicture::failed(QStringLiteral("KWin 没有交出屏幕画面"), detail);
}

// One CaptureWorkspace call: KWin answers with the picture's size and format, and writes its
// pixels into the pipe from a thread of its own, before or after the answer. A child of the
// grab's context, so that it ends without a word when the context goes.
class WorkspaceShot : public QObject
{
public:
    WorkspaceShot(QObject *context, Done done, std::shared_ptr<DesktopGrabber> fallback)
        : QObject(context)
        , answer(context, std::move(done))
        , fallback(std::move(fallback))
    {
    }

    ~WorkspaceShot() override
    {
        if (readEnd >= 0)
            ::close(readEnd);
    }

    void start(const QDBusConnection &bus, int timeoutMs)
    {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
            end(failedPicture(QStringLiteral("no pipe for KWin's picture: %1").arg(qt_error_string(errno))));
            return;
        }
        readEnd = ends[0];
        QDBusMessage call = QDBusMessage::createMethodCall(QLatin1String(KWinDesktopGrabber::service),
                                                           QLatin1String(screenShotPath),
                                                           QLatin1String(screenShotInterface),
                                                           QStringLiteral("CaptureWorkspace"));
        // At the largest output scale, as the other Wayland grabbers give it; without the pointer.
        const QVariantMap options{{QStringLiteral("native-resolution"), true},
                                  {QStringLiteral("include-cursor"), false}};
        call << options << QVariant::fromValue(QDBusUnixFileDescriptor(ends[1]));
        auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, timeoutMs), this);
        // The message holds its own copy of the write end; ours goes, so the end of KWin's
        // writing is seen as the pipe's end.
        ::close(ends[1]);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, &WorkspaceShot::takeReply);
        reader = new QSocketNotifier(readEnd, QSocketNotifier::Read, this);
        connect(reader, &QSocketNotifier::activated, this, &WorkspaceShot::readPixels);
        answer.expireAfter(timeoutMs, [this, timeoutMs] {
            refused(QStringLiteral("KWin sent no picture within %1 s").arg(timeoutMs / 1000.0));
        });
    }

private:
    void takeReply(QDBusPendingCallWatcher *watcher)
    {
        watcher->deleteLater();
        const QDBusPendingReply<QVariantMap> reply = *watcher;
        if (reply.isError()) {
            refused(QStringLiteral("KWin refused the screenshot: %1").arg(reply.error().message()));
            return;
        }
        results = reply.value();
        replied = true;
        const qint64 expected = qint64(results.value(QStringLiteral("stride")).toUInt())
                                * results.value(QStringLiteral("height")).toUInt();
        if (expected > 0)
            pixels.reserve(int(qMin<qint64>(expected, std::numeric_limits<int>::max())));
        finishIfComplete();
    }

    void readPixels()
    {
        static thread_local char chunk[readChunkBytes];
        for (;;) {
            const ssize_t got = ::read(readEnd, chunk, sizeof chunk);
            if (got > 0) {
                pixels.append(chunk, int(got));
                continue;
            }
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0 && errno == EAGAIN)
                return;
            // The end, or an error that ends it as well.
            reader->setEnabled(false);
            written = true;
            finishIfComplete();
            return;
        }
    }

    void finishIfComplete()
    {
        if (!replied || !written)
            return;
        const int width = int(results.value(QStringLiteral("width")).toUInt());
        const int height = int(results.value(QStringLiteral("height")).toUInt());
        const int stride = int(results.value(QStringLiteral("stride")).toUInt());
        const uint format = results.value(QStringLiteral("format")).toUInt();
        const bool raw = results.value(QStringLiteral("type")).toString() == QLatin1String("raw");
        if (!raw || width <= 0 || height <= 0 || stride < width * 4 || format == QImage::Format_Invalid
            || format >= QImage::NImageFormats || qint64(stride) * height > pixels.size()) {
            refused(QStringLiteral("KWin's picture is not what it said: %1x%2, stride %3, format %4, %5 bytes")
                        .arg(width)
                        .arg(height)
                        .arg(stride)
                        .arg(format)
                        .arg(pixels.size()));
            return;
        }
        DesktopPicture picture;
        picture.image = QImage(reinterpret_cast<const uchar *>(pixels.constData()), width, height, stride,
                               QImage::Format(format))
                            .convertToFormat(QImage::Format_RGB32);
        picture.screens = screenPartsScaledTo(picture.image.size());
        end(picture);
    }

    // This way gave no picture: the fallback's turn, where there is one.
    void refused(const QString &detail)
    {
        if (answer.isOver())
            return;
        answer.handOver(fallback, failedPicture(detail));
        ended();
    }

    void end(const DesktopPicture &picture)
    {
        if (answer.isOver())
            return;
        answer.answer(picture);
        ended();
    }

    void ended()
    {
        if (reader)
            reader->setEnabled(false);
        deleteLater();
    }

    GrabAnswer answer;
    std::shared_ptr<DesktopGrabber> fallback;
    int readEnd = -1;
    QSocketNotifier *reader = nullptr;
    QByteArray pixels;
    QVariantMap results;
    bool replied = false;
    bool written = false;
};

} // namespace

KWinDesktopGrabber::KWinDesktopGrabber(std::shared_ptr<DesktopGrabber> fallback, const QDBusConnection &bus,
                                       int timeoutMs)
    : fallback(std::move(fallback))
    , bus(bus)
    , timeoutMs(timeoutMs)
{
}

bool KWinDesktopGrabber::isRunning(const QDBusConnection &bus)
{
    return bus.isConnected() && bus.interface()->isServiceRegistered(QLatin1String(service));
}

void KWinDesktopGrabber::grab(QObject *context, Done done)
{
    (new WorkspaceShot(context, std::move(done), fallback))->start(bus, timeoutMs);
}
