#pragma once

#include <QString>

#include <functional>

class QImage;
class QObject;

// Puts a picture on the clipboard so that a paste is quick. Its PNG, what most programs paste, is
// encoded once, right away, on a worker thread, at a fast compression level, and handed out as
// those bytes; the other image types the toolkit offers are made from the picture on demand. A
// paste that comes before the encoding is done waits for it. A picture replaced on the clipboard
// before its turn is not encoded, unless a paste already asked for it.
//
// Where the window system says only later that the picture could not reach the clipboard (GNOME
// gave no focus), the toolkit's clipboard takes it if a window of the program has the focus by
// then; otherwise `failed` runs, on this thread while `context` lives, with the reason in the
// interface's language.
void offerOnClipboard(const QImage &picture, QObject *context = nullptr,
                      std::function<void(const QString &why)> failed = {});
