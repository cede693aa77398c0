#include "PasteReader.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QThreadPool>
#include <QtConcurrent>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int readerThreads = 2;
constexpr size_t chunkBytes = 64 * 1024;

QThreadPool *pasteReaders()
{
    static QThreadPool *pool = [] {
        auto *made = new QThreadPool(QCoreApplication::instance());
        made->setMaxThreadCount(readerThreads);
        return made;
    }();
    return pool;
}

PasteRead failed(const QString &why)
{
    return {QByteArray(), why};
}

QString readError(int error)
{
    return QStringLiteral("读取剪贴板时出错：%1").arg(QString::fromLocal8Bit(std::strerror(error)));
}

} // namespace

PasteRead readPaste(int fd, int deadlineMs, qint64 limit)
{
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    QElapsedTimer clock;
    clock.start();
    QByteArray bytes;
    PasteRead read;
    std::vector<char> chunk(chunkBytes);
    for (;;) {
        const ssize_t got = ::read(fd, chunk.data(), chunk.size());
        if (got > 0)
            bytes.append(chunk.data(), int(got));
        if (got == 0) {
            read.bytes = bytes;
            break;
        }
        if (bytes.size() > limit) {
            read = failed(QStringLiteral("剪贴板中的内容超过 %1 MB").arg(limit >> 20));
            break;
        }
        // Also an owner that trickles its bytes is given up in time.
        const qint64 remaining = deadlineMs - clock.elapsed();
        if (remaining <= 0) {
            read = failed(QStringLiteral("复制它的程序在 %1 秒内没有交出剪贴板的内容").arg(deadlineMs / 1000.0));
            break;
        }
        if (got > 0 || errno == EINTR)
            continue;
        if (errno != EAGAIN) {
            read = failed(readError(errno));
            break;
        }
        pollfd readable{fd, POLLIN, 0};
        if (::poll(&readable, 1, int(remaining)) < 0 && errno != EINTR) {
            read = failed(readError(errno));
            break;
        }
    }
    ::close(fd);
    return read;
}

void readPasteLater(int fd, int deadlineMs, QObject *context, std::function<void(const PasteRead &)> done)
{
    // Gone with `context`: a paste that ends after it is read to its end and dropped.
    auto *watcher = new QFutureWatcher<PasteRead>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, watcher, [watcher, done = std::move(done)] {
        watcher->deleteLater();
        done(watcher->result());
    });
    watcher->setFuture(QtConcurrent::run(pasteReaders(), [fd, deadlineMs] { return readPaste(fd, deadlineMs); }));
}
