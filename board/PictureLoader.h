#pragma once

#include <QtGlobal>

class QPixmap;
class QString;

// Pictures whose decoded pixels would take more than this are refused: a tiny file can claim a
// huge size, and decoding it would take the program, with every open board, down.
constexpr qint64 largestPictureBytes = qint64(256) * 1024 * 1024;

// Reads a picture file for the board. Anything that is not a complete, readable picture of an
// acceptable size gives the null pixmap; the function never decodes a picture it has not first
// sized up.
QPixmap loadPictureSafely(const QString &fileName);
