#include "platform/InstanceGuard.h"

#include <QLocalServer>
#include <QUuid>

#include <cstring>

namespace {

// The marker holds the channel's pipe name, NUL-terminated.
constexpr int markerBytes = 128;

} // namespace

QString currentInstanceKey()
{
    // Named shared memory is already private to the session on Windows.
    return QString::fromUtf8(instanceKeyBase);
}

QString privateRuntimeFolder()
{
    return QString();
}

bool InstanceGuard::lockForThisProcess()
{
    marker.setKey(key);
    if (marker.attach(QSharedMemory::ReadOnly)) {
        marker.detach();
        return false;
    }
    // Two starts at once both miss the attach; only one create can succeed. Any other failure
    // to make the marker must not keep the user from running the program.
    return marker.create(markerBytes, QSharedMemory::ReadWrite) || marker.error() != QSharedMemory::AlreadyExists;
}

void InstanceGuard::unlock()
{
    if (marker.isAttached())
        marker.detach();
}

QString InstanceGuard::channelName() const
{
    QSharedMemory reader(key);
    if (!reader.attach(QSharedMemory::ReadOnly))
        return QString();
    reader.lock();
    const char *bytes = static_cast<const char *>(reader.constData());
    const QString name = QString::fromUtf8(bytes, int(qstrnlen(bytes, markerBytes - 1)));
    reader.unlock();
    reader.detach();
    return name;
}

bool InstanceGuard::publishChannel(QLocalServer &channel)
{
    if (!marker.isAttached())
        return false;
    // The pipe namespace is shared by every session of the machine: a name nobody can guess,
    // published only in this session's marker, cannot be taken over by another user first.
    const QString name = QStringLiteral("tavo-screenshot-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    if (!channel.listen(name))
        return false;
    const QByteArray bytes = name.toUtf8();
    marker.lock();
    std::memset(marker.data(), 0, markerBytes);
    std::memcpy(marker.data(), bytes.constData(), size_t(qMin(bytes.size(), markerBytes - 1)));
    marker.unlock();
    return true;
}
