#include "InstanceGuard.h"

#include <QCryptographicHash>
#include <QDir>

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

bool InstanceGuard::createMarker()
{
    return marker.create(1, QSharedMemory::ReadWrite);
}
