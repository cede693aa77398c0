#include "PasteWriter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThreadPool>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

constexpr int writerThreads = 4;

QThreadPool *pasteWriters()
{
    static QThreadPool *pool = [] {
        // A program that stops reading a paste half-way must not end this one.
        std::signal(SIGPIPE, SIG_IGN);
        auto *made = new QThreadPool(QCoreApplication::instance());
        made->setMaxThreadCount(writerThreads);
        return made;
    }();
    return pool;
}

// A reader that goes away early only ends the write: pasteWriters() has SIGPIPE ignored.
void writeAll(int fd, const QByteArray &bytes, int deadlineMs)
{
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    QElapsedTimer clock;
    clock.start();
    const char *at = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, at, size_t(left));
        if (written > 0) {
            at += written;
            left -= written;
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno != EAGAIN)
            break;
        const qint64 remaining = deadlineMs - clock.elapsed();
        if (remaining <= 0)
            break;
        pollfd writable{fd, POLLOUT, 0};
        if (::poll(&writable, 1, int(remaining)) < 0 && errno != EINTR)
            break;
    }
    ::close(fd);
}

} // namespace

void writePasteLater(int fd, std::function<QByteArray()> bytes, int deadlineMs)
{
    pasteWriters()->start([fd, bytes = std::move(bytes), deadlineMs] { writeAll(fd, bytes(), deadlineMs); });
}

int busyPasteWriters()
{
    return pasteWriters()->activeThreadCount();
}
