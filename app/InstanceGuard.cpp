#include "InstanceGuard.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#ifndef Q_OS_WIN
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

QString instanceKey(unsigned int uid, const QString &display)
{
    QString server = display;
    const int colon = server.lastIndexOf(QLatin1Char(':'));
    const int dot = server.indexOf(QLatin1Char('.'), colon + 1);
    if (colon >= 0 && dot > colon)
        server.truncate(dot);
    return QString::fromUtf8(instanceKeyBase) + QLatin1Char('-') + QString::number(uid)
           + QLatin1Char('-') + server;
}

QString currentInstanceKey()
{
#ifdef Q_OS_WIN
    return QString::fromUtf8(instanceKeyBase);
#else
    return instanceKey(::getuid(), qEnvironmentVariable("DISPLAY"));
#endif
}

QString defaultLockDirectory()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return runtime;
    return QDir::tempPath();
}

namespace {

QString lockFileName(const QString &key)
{
    // The key holds characters (CJK, ':') that do not belong in a file name.
    const QByteArray digest = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex();
    return QStringLiteral("tavo-screenshot-%1.lock").arg(QString::fromLatin1(digest.left(16)));
}

} // namespace

InstanceGuard::InstanceGuard(const QString &key, const QString &lockDirectory)
    : marker(key)
    , lockPath(QDir(lockDirectory).filePath(lockFileName(key)))
{
}

InstanceGuard::~InstanceGuard()
{
    // The marker goes before the lock: a successor that gets the lock must not find our segment
    // still attached, or it could not clear it.
    if (marker.isAttached())
        marker.detach();
#ifndef Q_OS_WIN
    if (lockFd >= 0)
        ::close(lockFd);
#endif
}

bool InstanceGuard::claim()
{
#ifdef Q_OS_WIN
    if (marker.attach(QSharedMemory::ReadWrite))
        return false;
    // Two starts at once both miss the attach; only one create can succeed. Any other failure
    // to make the marker must not keep the user from running the program.
    claimed = createMarker() || marker.error() != QSharedMemory::AlreadyExists;
#else
    switch (lockExclusively()) {
    case Lock::Acquired:
        clearStaleMarker();
        // The lock already decides; a marker that cannot be made (a stranger still attached to
        // an old segment) must not keep the user from running the program.
        createMarker();
        claimed = true;
        break;
    case Lock::HeldElsewhere:
        claimed = false;
        break;
    case Lock::Unavailable:
        // No lock to be had (no writable folder, no lock support): the marker alone decides.
        claimed = !marker.attach(QSharedMemory::ReadWrite) && createMarker();
        break;
    }
#endif
    return claimed;
}

bool InstanceGuard::createMarker()
{
    return marker.create(1, QSharedMemory::ReadWrite);
}

#ifdef Q_OS_WIN
InstanceGuard::Lock InstanceGuard::lockExclusively() { return Lock::Unavailable; }
void InstanceGuard::clearStaleMarker() {}
#else
InstanceGuard::Lock InstanceGuard::lockExclusively()
{
    lockFd = ::open(QFile::encodeName(lockPath).constData(),
                    O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lockFd < 0)
        return Lock::Unavailable;
    int result;
    do {
        result = ::flock(lockFd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result == 0)
        return Lock::Acquired;
    if (errno == EWOULDBLOCK)
        return Lock::HeldElsewhere;
    ::close(lockFd);
    lockFd = -1;
    return Lock::Unavailable;
}

void InstanceGuard::clearStaleMarker()
{
    // We hold the lock, so no live instance owns a segment under this key: one that can be
    // attached was left by a killed instance. Detaching the last attachment removes it.
    if (marker.attach(QSharedMemory::ReadWrite))
        marker.detach();
}
#endif
