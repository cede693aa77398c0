#include "ShutterSound.h"

#include "SoundOutput.h"

#include <QFile>
#include <QMediaContent>
#include <QMediaPlayer>
#include <QUrl>

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

constexpr int shutterVolume = 50;
const QString shutterResource = QStringLiteral(":/resources/music/cutMusic.mp3");

#ifdef Q_OS_LINUX
// The sound in an anonymous in-memory file, reached through /proc/self/fd. Handed a qrc: URL,
// Qt's GStreamer back end streams the resource through appsrc, whose streaming thread waits for
// the GUI thread to feed it; stopping such a player while it is still starting (a second capture
// right after the first) then deadlocks the GUI thread inside GStreamer. A file source needs
// nobody's help, and the in-memory file leaves nothing on disk and goes with the process.
QUrl inMemoryCopy()
{
    QFile resource(shutterResource);
    if (!resource.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = resource.readAll();
    const int fd = memfd_create("tavo-shutter.mp3", MFD_CLOEXEC);
    if (fd < 0)
        return {};
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n <= 0) {
            ::close(fd);
            return {};
        }
        written += n;
    }
    // The descriptor stays open for the rest of the run: the URL names it.
    return QUrl::fromLocalFile(QStringLiteral("/proc/self/fd/%1").arg(fd));
}
#endif

QUrl shutterSoundUrl()
{
#ifdef Q_OS_LINUX
    static const QUrl copy = inMemoryCopy();
    if (copy.isValid())
        return copy;
#endif
    // Qt's media back ends read qrc: URLs themselves; a local-file URL of a ":/" path is looked
    // for on disk and fails.
    return QUrl(QStringLiteral("qrc") + shutterResource);
}

// Asked once, at the first capture, so the media back end starts only then. Where no sound can
// be heard, a player would only fill the terminal with the back end's complaints on every
// capture (no sound server, no decoder plugins), so there is none.
bool shutterSoundCanPlay()
{
    static const bool canPlay = soundCanPlay();
    return canPlay;
}

} // namespace

QMediaPlayer *startShutterSound(QObject *parent)
{
    if (!shutterSoundCanPlay())
        return nullptr;
    auto *player = new QMediaPlayer(parent);
    player->setMedia(QMediaContent(shutterSoundUrl()));
    player->setVolume(shutterVolume);
    player->play();
    return player;
}
