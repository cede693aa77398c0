#include "platform/Autostart.h"

#include <QDir>
#include <QSettings>
#include <QString>

namespace {

// The current user's Run key: Windows starts every program named there at log-in.
constexpr char runKey[] = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

QString valueName()
{
    return QStringLiteral("TAVO截图");
}

} // namespace

namespace autostart {

bool isEnabled()
{
    return QSettings(QString::fromLatin1(runKey), QSettings::NativeFormat).contains(valueName());
}

bool setEnabled(bool enabled, const QString &programPath, QString *failure)
{
    QSettings run(QString::fromLatin1(runKey), QSettings::NativeFormat);
    if (enabled)
        run.setValue(valueName(), QLatin1Char('"') + QDir::toNativeSeparators(programPath) + QLatin1Char('"'));
    else
        run.remove(valueName());
    run.sync();
    if (run.status() == QSettings::NoError)
        return true;
    if (failure)
        *failure = QStringLiteral("无法写入注册表的 Run 键");
    return false;
}

} // namespace autostart
