#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QtGlobal>

#include <atomic>

class QSize;

// Pictures whose decoded pixels would take more than this are refused: a tiny file can claim a
// huge size, and decoding it would take the program, with every open board, down.
constexpr qint64 largestPictureBytes = qint64(256) * 1024 * 1024;
// A decode that takes longer than this is abandoned: a few kilobytes of JPEG can hold enough
// scans to keep a decoder busy for minutes.
constexpr int longestDecodeMs = 10000;

// What a picture of this size takes in memory once read: decoded to the format its reader
// announces (a 16-bit PNG takes 8 bytes a pixel) and, however thin that format, at least the
// 4 bytes a pixel of the pixmap it becomes. -1 for a size that is not a picture's.
qint64 decodedPictureBytes(const QSize &size, QImage::Format format);

// A picture read from a file, or the reason there is none (a short text fit to show the user).
struct LoadedPicture
{
    QImage image;
    QString failure;
};

// Reads a picture file (the board's), on any thread. Only regular files in formats whose header
// states the decoded size truthfully are read (PNG, JPEG, GIF, BMP, recognised by their content
// whatever the name), only after that size has passed the limit, and only complete pictures of
// exactly that size are accepted, in a 32-bit format a pixmap takes as it is. The decode stops when `cancelled` turns true or `timeLimitMs`
// has passed.
LoadedPicture loadPictureSafely(const QString &fileName, int timeLimitMs = longestDecodeMs,
                                const std::atomic_bool *cancelled = nullptr);
// The same for a picture held in memory (one read from the clipboard), with the same limits.
LoadedPicture loadPictureSafely(const QByteArray &bytes, int timeLimitMs = longestDecodeMs,
                                const std::atomic_bool *cancelled = nullptr);
