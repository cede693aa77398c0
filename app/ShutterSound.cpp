#include "ShutterSound.h"

#include <QMediaContent>
#include <QMediaPlayer>
#include <QUrl>

namespace {

constexpr int shutterVolume = 50;

} // namespace

QMediaPlayer *startShutterSound(QObject *parent)
{
    auto *player = new QMediaPlayer(parent);
    // A qrc: URL reaches the embedded file on the GStreamer back end (streamed through appsrc);
    // a local-file URL made from the ":/" path is looked for on disk and fails.
    player->setMedia(QMediaContent(QUrl(QStringLiteral("qrc:/resources/music/cutMusic.mp3"))));
    player->setVolume(shutterVolume);
    player->play();
    return player;
}
