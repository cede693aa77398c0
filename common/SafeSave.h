#pragma once

#include <QString>

class QByteArray;
class QImage;
class QPixmap;

// Why a save failed: `reason` for the user, in the interface's language; `detail` in the system's
// own (English) words, for standard error.
struct SaveFailure
{
    QString reason;
    QString detail;
};

// The image writer's format for a file name's suffix, lower-cased ("png", "jpg"); empty when the
// name has no suffix or no writer takes it.
QByteArray pictureFormatFor(const QString &fileName);

// The name as it is when its file name has a suffix, else with ".png" added: a name chosen
// without one is saved as a PNG, under a name that says so.
QString withPictureSuffix(const QString &fileName);

// Writes a picture so that a failure never costs the user an existing file: the data goes to a
// temporary file beside the target, which replaces the target only once it is complete. The
// format follows the file name's suffix, as with QImage::save(), and a PNG is made by our own
// encoder (encodePng()); a suffix with no image writer fails before anything is
// touched. A name that is a symbolic link someone else could have planted (in a folder others can
// write, or pointing into another owner's folder) is refused. Returns whether the file now holds
// the picture; on failure `failure` (if given) receives why. A large picture takes longer than a
// frame: windows save through savePictureInBackground() instead. The QImage forms may be called
// from any thread.
bool savePictureSafely(const QImage &picture, const QString &fileName, SaveFailure *failure = nullptr);
bool savePictureSafely(const QPixmap &picture, const QString &fileName, SaveFailure *failure = nullptr);
// The same in a format chosen by the caller, whatever the name's suffix.
bool savePictureSafely(const QImage &picture, const QString &fileName, const QByteArray &format,
                       SaveFailure *failure = nullptr);
