#include "platform/InstanceGuard.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

QString currentInstanceKey()
{
    return instanceKey(::getuid(), qEnvironmentVariable("DISPLAY"));
}

InstanceGuard::~InstanceGuard()
{
    // The marker goes before the lock: a successor that gets the lock must not find our segment
    // still attached, or it could not clear it.
    if (marker.isAttached())
        marker.detach();
    if (lockFd >= 0)
        ::close(lockFd);
}

bool InstanceGuard::claim()
{
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
    return claimed;
}

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
