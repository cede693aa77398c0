#include "FileFailure.h"

#include <QFileInfo>
#include <QString>

#include <cerrno>

namespace {

// What the code alone tells; empty for the codes whose meaning depends on the operation.
QString reasonForCode(int errorCode)
{
    switch (errorCode) {
    case ENOSPC:
        return QStringLiteral("磁盘空间不足");
#ifdef EDQUOT
    case EDQUOT:
        return QStringLiteral("超出了磁盘配额");
#endif
    case EFBIG:
        return QStringLiteral("文件超过了系统允许的大小");
    case EROFS:
        return QStringLiteral("这个位置是只读的");
    case EISDIR:
        return QStringLiteral("这个名字是一个文件夹");
    case ENOTDIR:
        return QStringLiteral("路径中有一部分不是文件夹");
    case ENAMETOOLONG:
        return QStringLiteral("文件名太长");
#ifdef ELOOP
    case ELOOP:
        return QStringLiteral("符号链接的层数太多");
#endif
    case EMFILE:
    case ENFILE:
        return QStringLiteral("打开的文件太多");
    case EIO:
        return QStringLiteral("读写设备时出错");
    case EBUSY:
#ifdef ETXTBSY
    case ETXTBSY:
#endif
        return QStringLiteral("文件正被占用");
    case EINVAL:
        return QStringLiteral("这个位置不接受这样的文件名");
    default:
        return QString();
    }
}

bool isPermissionCode(int errorCode)
{
    return errorCode == EACCES || errorCode == EPERM;
}

QString unknownReason(int errorCode)
{
    return errorCode ? QStringLiteral("系统错误（错误码 %1）").arg(errorCode) : QStringLiteral("系统没有说明原因");
}

} // namespace

QString writeFailureReason(int errorCode, const QString &fileName)
{
    const QString known = reasonForCode(errorCode);
    if (!known.isEmpty())
        return known;
    const QFileInfo file(fileName);
    const QFileInfo folder(file.absolutePath());
    if (!folder.exists())
        return QStringLiteral("文件夹不存在");
    if (!folder.isDir())
        return QStringLiteral("路径中有一部分不是文件夹");
    if (file.isDir())
        return QStringLiteral("这个名字是一个文件夹");
    if (isPermissionCode(errorCode) || !folder.isWritable())
        return QStringLiteral("没有在这个文件夹里写入的权限");
    if (errorCode == ENOENT)
        return QStringLiteral("这个文件夹里不能创建文件");
    return unknownReason(errorCode);
}

QString readFailureReason(int errorCode, const QString &fileName)
{
    const QString known = reasonForCode(errorCode);
    if (!known.isEmpty())
        return known;
    const QFileInfo file(fileName);
    if (errorCode == ENOENT || !file.exists())
        return QStringLiteral("文件不存在");
    if (file.isDir())
        return QStringLiteral("这个名字是一个文件夹");
    if (isPermissionCode(errorCode) || !file.isReadable())
        return QStringLiteral("没有读取这个文件的权限");
    return unknownReason(errorCode);
}
