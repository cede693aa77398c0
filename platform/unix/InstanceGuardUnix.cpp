#include "platform/InstanceGuard.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLocalServer>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isPrivateFolder(const QString &path)
{
    struct stat info = {};
    return !path.isEmpty() && ::lstat(QFile::encodeName(path).constData(), &info) == 0
           && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

// The folder, made if it is not there; empty when what is there is not ours alone.
QString ownPrivateFolder(const QString &path)
{
    ::mkdir(QFile::encodeName(path).constData(), 0700);
    return isPrivateFolder(path) ? path : QString();
}

// The key holds characters (CJK, ':') that do not belong in a file name.
QString fileNameFor(const QString &key, const char *suffix)
{
    const QByteArray digest = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex();
    return QStringLiteral("tavo-screenshot-%1.%2").arg(QString::fromLatin1(digest.left(16)),
                                                        QLatin1String(suffix));
}

// The compositor's socket. A bare name lies in XDG_RUNTIME_DIR, where libwayland looks for it:
// a session names it either way (a compositor gives its children the bare name), and both are
// one desktop.
QString waylandSocket()
{
    const QString name = qEnvironmentVariable("WAYLAND_DISPLAY");
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (name.isEmpty() || QDir::isAbsolutePath(name) || runtime.isEmpty())
        return name;
    return QDir::cleanPath(runtime + QLatin1Char('/') + name);
}

} // namespace

QString currentInstanceKey()
{
    return instanceKey(::getuid(), qEnvironmentVariable("DISPLAY"), waylandSocket());
}

QString privateRuntimeFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (isPrivateFolder(runtime))
        return runtime;
    const QString own = ownPrivateFolder(QDir::tempPath() + QStringLiteral("/tavo-screenshot-")
                                         + QString::number(::getuid()));
    if (!own.isEmpty())
        return own;
    // Another user has taken that name in the shared folder; the home folder is the user's alone.
    const QString cache = QDir::homePath() + QStringLiteral("/.cache");
    QDir().mkpath(cache);
    return ownPrivateFolder(cache + QStringLiteral("/tavo-screenshot-runtime"));
}

bool InstanceGuard::lockForThisProcess()
{
    // Nowhere private to hold a lock: run, alone and unguarded, rather than not at all.
    if (folder.isEmpty())
        return true;
    const QString path = QDir(folder).filePath(fileNameFor(key, "lock"));
    lockFd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    // Whether an instance runs is unknown then: running as well could take its channel away.
    if (lockFd < 0) {
        lockProblem = QStringLiteral("cannot open the instance lock %1: %2").arg(path, qt_error_string(errno));
        return false;
    }
    int result;
    do {
        result = ::flock(lockFd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result == 0)
        return true;
    const bool heldElsewhere = errno == EWOULDBLOCK;
    ::close(lockFd);
    lockFd = -1;
    // A folder without lock support (some network file systems) cannot keep anyone out.
    return !heldElsewhere;
}

void InstanceGuard::unlock()
{
    if (lockFd >= 0)
        ::close(lockFd);
    lockFd = -1;
}

QString InstanceGuard::channelName() const
{
    return folder.isEmpty() ? QString() : QDir(folder).filePath(fileNameFor(key, "socket"));
}

bool InstanceGuard::publishChannel(QLocalServer &channel)
{
    const QString name = channelName();
    if (name.isEmpty())
        return false;
    // We hold the lock, so a socket file still there is a dead instance's.
    QLocalServer::removeServer(name);
    return channel.listen(name);
}
