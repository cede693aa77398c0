#pragma once

class QImage;
class QPixmap;
class QString;

// Writes a picture so that a failure never costs the user an existing file: the data goes to a
// temporary file beside the target, which replaces the target only once it is complete. The
// format follows the file name's suffix, as with QImage::save(); a suffix with no image writer
// fails before anything is touched. Returns whether the file now holds the picture.
bool savePictureSafely(const QImage &picture, const QString &fileName, int quality = -1);
bool savePictureSafely(const QPixmap &picture, const QString &fileName, int quality = -1);
