#pragma once

#include <QSharedMemory>
#include <QString>

// The text every instance key starts from; the marker's only visible name.
inline constexpr char instanceKeyBase[] = "tavo截图";

// The key of one desktop session: the base text, the user id and the X display (host and display
// number; the screen part is dropped because all screens of a display share one desktop). Users
// and displays thereby get markers of their own and never block each other.
QString instanceKey(unsigned int uid, const QString &display);
// The key for this process: the base text alone on Windows, where shared memory is already
// per session, otherwise the real user id and $DISPLAY.
QString currentInstanceKey();
// Where the lock file of a key lives: $XDG_RUNTIME_DIR, or the temporary folder without one.
QString defaultLockDirectory();

// Makes sure only one instance runs per key. It holds a 1-byte shared-memory marker for the whole
// run. On Unix the marker alone is not enough: System V segments outlive a killed owner, and
// attach-then-create is not atomic. So a kernel file lock, released by the kernel when the process
// dies however it dies, decides who runs; holding it, any marker still around is a dead
// instance's and is cleared.
class InstanceGuard
{
public:
    explicit InstanceGuard(const QString &key = currentInstanceKey(),
                           const QString &lockDirectory = defaultLockDirectory());
    ~InstanceGuard();
    InstanceGuard(const InstanceGuard &) = delete;
    InstanceGuard &operator=(const InstanceGuard &) = delete;

    // True when this process may run: no other instance holds the key. Call once.
    bool claim();
    bool isClaimed() const { return claimed; }
    QString lockFilePath() const { return lockPath; }

private:
    enum class Lock { Acquired, HeldElsewhere, Unavailable };
    Lock lockExclusively();
    void clearStaleMarker();
    bool createMarker();

    QSharedMemory marker;
    QString lockPath;
    int lockFd = -1;
    bool claimed = false;
};
