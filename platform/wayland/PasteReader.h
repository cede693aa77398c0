#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <functional>

class QObject;

// A paste larger than this is not taken: no picture the program pins comes near it.
inline constexpr qint64 largestPasteBytes = qint64(256) * 1024 * 1024;

// What a paste brought: its bytes, or why they are not all there (in the interface's language).
struct PasteRead
{
    QByteArray bytes;
    QString failure;
};

// Reads a paste from the pipe `fd` that the clipboard's owner writes into, on a thread of the
// paste readers' own pool, until the owner closes it, `deadlineMs` has passed or more than
// largestPasteBytes came; closes `fd`. `done` runs on `context`'s thread while it lives. An owner
// that never writes thus holds neither the event loop nor a thread of the pool that loads pictures.
void readPasteLater(int fd, int deadlineMs, QObject *context, std::function<void(const PasteRead &)> done);

// The same on the calling thread: what the pool's threads run.
PasteRead readPaste(int fd, int deadlineMs, qint64 limit = largestPasteBytes);
