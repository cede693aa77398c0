#pragma once

#include <functional>

class QImage;
class QString;
class QStringList;
class QWidget;

// Saving a window's picture on a worker thread, through savePictureSafely(), while the window
// stays live: encoding a screen-sized PNG takes longer than a frame, and the window, its repaints
// and the hot keys would wait for it. One save per window at a time: a save of a window whose last
// one is still running is refused with a notice, never dropped silently. A save outlives the window
// it was started from: the file is written all the same, and a failure is reported in a message
// of its own.

// Whether a save started from `window` is still running.
bool isSavingPicture(const QWidget *window);

// For a save site to ask before its file dialog: true, after telling the user why, when a save
// started from `window` is still running.
bool refuseWhileSaving(QWidget *window);

// Starts writing `picture` to `fileName` (the format follows its suffix). A failure is shown as a
// message on `window`, or on its own once the window is gone; `saved` runs on the GUI thread once
// the file holds the picture, if the window still exists then. False, with a notice to the user,
// when a save started from `window` is still running.
bool savePictureInBackground(QWidget *window, const QImage &picture, const QString &fileName,
                             std::function<void()> saved = {});

// For the end of the run, after the event loop: waits for every save still running and returns a
// line for each that failed (the file and the system's reason), for standard error.
QStringList finishPictureSaves();
