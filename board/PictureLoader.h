#pragma once

#include <QImage>
#include <QtGlobal>

class QPixmap;
class QSize;
class QString;

// Pictures whose decoded pixels would take more than this are refused: a tiny file can claim a
// huge size, and decoding it would take the program, with every open board, down.
constexpr qint64 largestPictureBytes = qint64(256) * 1024 * 1024;

// What a picture of this size takes in memory once read: decoded to the format its reader
// announces (a 16-bit PNG takes 8 bytes a pixel) and, however thin that format, at least the
// 4 bytes a pixel of the pixmap it becomes. -1 for a size that is not a picture's.
qint64 decodedPictureBytes(const QSize &size, QImage::Format format);

// Reads a picture file for the board. Anything that is not a complete, readable picture of an
// acceptable size gives the null pixmap; the function never decodes a picture it has not first
// sized up.
QPixmap loadPictureSafely(const QString &fileName);
