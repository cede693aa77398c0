#include "platform/Autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QString>

namespace {

// The XDG autostart folder: $XDG_CONFIG_HOME/autostart, ~/.config/autostart without it.
QString entryPath()
{
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(config).filePath(QStringLiteral("autostart/tavo-screenshot.desktop"));
}

// The Exec key's argument, quoted: inside the quotes a backslash goes before ", `, $ and \; then,
// since the value is a string, every backslash is doubled, and a % is doubled as a field code.
QString quotedForExec(const QString &path)
{
    QString quoted;
    for (const QChar c : path) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('%'), QStringLiteral("%%"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QByteArray entryFor(const QString &programPath)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=TAVO截图\n"
                          "Comment=Start TAVO截图 in the tray when the session starts\n"
                          "Exec=%1\n"
                          "Icon=tavo-screenshot\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(quotedForExec(programPath))
        .toUtf8();
}

} // namespace

namespace autostart {

bool isEnabled()
{
    return QFileInfo::exists(entryPath());
}

bool setEnabled(bool enabled, const QString &programPath, QString *failure)
{
    const QString path = entryPath();
    if (!enabled) {
        QFile entry(path);
        if (!entry.exists() || entry.remove())
            return true;
        if (failure)
            *failure = QStringLiteral("无法删除 %1").arg(path);
        return false;
    }
    if (!QDir().mkpath(QFileInfo(path).path())) {
        if (failure)
            *failure = QStringLiteral("无法创建文件夹 %1").arg(QFileInfo(path).path());
        return false;
    }
    QSaveFile entry(path);
    if (entry.open(QIODevice::WriteOnly) && entry.write(entryFor(programPath)) >= 0 && entry.commit())
        return true;
    if (failure)
        *failure = QStringLiteral("无法写入 %1").arg(path);
    return false;
}

} // namespace autostart
