#pragma once

class QMediaPlayer;
class QObject;

// Starts the embedded shutter sound at volume 50 and returns its player, owned by `parent`.
// Playback runs on its own. Null where no sound can be heard (no audio output, no decoder): the
// capture then goes on silently.
QMediaPlayer *startShutterSound(QObject *parent);
