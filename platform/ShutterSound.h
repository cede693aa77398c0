#pragma once

class QMediaPlayer;
class QObject;

// Starts the embedded shutter sound at volume 50 and returns its player, owned by `parent`.
// Playback runs on its own; a missing audio device or decoder only ends it with an error.
QMediaPlayer *startShutterSound(QObject *parent);
