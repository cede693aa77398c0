#include "platform/InstanceGuard.h"

QString currentInstanceKey()
{
    // Named shared memory is already private to the session on Windows.
    return QString::fromUtf8(instanceKeyBase);
}

InstanceGuard::~InstanceGuard()
{
    if (marker.isAttached())
        marker.detach();
}

bool InstanceGuard::claim()
{
    if (marker.attach(QSharedMemory::ReadWrite))
        return false;
    // Two starts at once both miss the attach; only one create can succeed. Any other failure
    // to make the marker must not keep the user from running the program.
    claimed = createMarker() || marker.error() != QSharedMemory::AlreadyExists;
    return claimed;
}
