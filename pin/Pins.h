#pragma once

#include <functional>

class PinWindow;
class QImage;
class QObject;
class QPoint;
class QScreen;
class QString;

// Pictures pinned on the screen. Any number may be open; each lives until it is closed, whatever
// happens to the overlay or the panel, and the end of the run closes them all.

// Pins `picture` (at device pixels, with its device pixel ratio) with its top-left exactly at
// `logicalTopLeft` on `screen`, so that at first it looks as if nothing moved; the pin's thin
// frame lies around it. Shown, raised and focused; returns the pin.
PinWindow *pinPicture(const QImage &picture, const QPoint &logicalTopLeft, QScreen *screen);

// Pins the picture in the file at `path` at the pointer, scaled down to fit the screen when
// larger. False, with the reason for the user, when there is no picture to pin.
bool pinFile(const QString &path, QString *failure);

// The same for the clipboard's picture, once its owner has handed it over (whichever program has
// the focus) and it has been decoded off the GUI thread, with the limits of every picture the
// program opens. Without a picture, `failed` runs instead, on `context`'s thread while it lives,
// with the reason for the user.
void pinClipboard(QObject *context, std::function<void(const QString &failure)> failed);

// For a command that hands a pin over to another process: whether `source` (a file's path, or
// "-" for the clipboard) holds a picture to pin, with the reason when it does not.
bool canPin(const QString &source, QString *failure);

// The pins on the screen now, and closing them all (关闭所有贴图).
int openPinCount();
void closeAllPins();
