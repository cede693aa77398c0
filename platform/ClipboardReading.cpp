#include "ClipboardReading.h"

#include "platform/ClipboardChannel.h"
#include "platform/WindowSystem.h"

#ifdef TAVO_WAYLAND_DATA_CONTROL
#include "platform/wayland/DataControlSelection.h"
#endif
#ifndef Q_OS_WIN
#include "platform/wayland/FocusedClipboardRead.h"
#endif

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPointer>
#include <QTimer>

#include <memory>

namespace {

// In order of preference; each read by a decoder that knows the picture's size from its header.
const char *const pictureTypes[] = {"image/png", "image/bmp", "image/x-bmp", "image/x-ms-bmp",
                                    "image/gif", "image/jpeg", "image/jpg", "image/pjpeg"};

// A back end that never answers (a compositor that went away mid-read) still ends the read:
// whichever comes first, its answer or this much after the time it was given, is the one.
constexpr int graceMs = 1000;

class OneAnswer
{
public:
    explicit OneAnswer(std::function<void(const ClipboardContent &)> done)
        : done(std::move(done))
    {
    }
    void give(const ClipboardContent &content)
    {
        if (!done)
            return;
        const auto answer = std::move(done);
        done = nullptr;
        answer(content);
    }

private:
    std::function<void(const ClipboardContent &)> done;
};

} // namespace

QString bestPictureType(const QStringList &offered)
{
    for (const char *wanted : pictureTypes)
        for (const QString &type : offered)
            if (type.section(QLatin1Char(';'), 0, 0).trimmed().compare(QLatin1String(wanted), Qt::CaseInsensitive) == 0)
                return type;
    return QString();
}

ClipboardContent toolkitClipboardPicture()
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    if (!data)
        return {};
    ClipboardContent content;
    const QString type = bestPictureType(data->formats());
    if (!type.isEmpty()) {
        content.mimeType = type.toUtf8();
        content.bytes = data->data(type);
    }
    if (content.bytes.isEmpty() && data->hasImage()) {
        content.mimeType.clear();
        content.picture = qvariant_cast<QImage>(data->imageData());
    }
    return content;
}

namespace {

bool focusWindowWanted(ClipboardChannel channel)
{
#ifdef Q_OS_WIN
    Q_UNUSED(channel)
    return false;
#else
    // A window of ours with the focus sees the clipboard through the toolkit already.
    return channel == ClipboardChannel::Focused
           || (channel == ClipboardChannel::Automatic && runsOnWayland() && !QGuiApplication::focusWindow());
#endif
}

bool dataControlWanted(ClipboardChannel channel)
{
#ifdef TAVO_WAYLAND_DATA_CONTROL
    return (channel == ClipboardChannel::Automatic || channel == ClipboardChannel::DataControl)
           && DataControlSelection::instance();
#else
    Q_UNUSED(channel)
    return false;
#endif
}

} // namespace

bool clipboardReadsWithoutWindow()
{
    const ClipboardChannel channel = namedClipboardChannel();
    return dataControlWanted(channel) || !focusWindowWanted(channel);
}

void readClipboardPicture(QObject *context, int timeoutMs, std::function<void(const ClipboardContent &)> done)
{
    const auto answer = std::make_shared<OneAnswer>(std::move(done));
    QPointer<QObject> asker(context);
    auto give = [answer, asker](const ClipboardContent &content) {
        if (asker)
            answer->give(content);
    };
    QTimer::singleShot(timeoutMs + graceMs, context, [give, timeoutMs] {
        give(ClipboardContent{{}, {}, {}, QStringLiteral("剪贴板在 %1 秒内没有交出内容").arg(timeoutMs / 1000.0)});
    });

    const ClipboardChannel channel = namedClipboardChannel();
#ifdef TAVO_WAYLAND_DATA_CONTROL
    if (dataControlWanted(channel)) {
        DataControlSelection::instance()->readPicture(context, timeoutMs, give);
        return;
    }
#endif
#ifndef Q_OS_WIN
    if (focusWindowWanted(channel)) {
        FocusedClipboardRead::start(context, timeoutMs, give);
        return;
    }
#endif
    Q_UNUSED(channel)
    // Asynchronous as the others are: the caller goes on before its answer comes.
    QTimer::singleShot(0, context, [give] { give(toolkitClipboardPicture()); });
}
