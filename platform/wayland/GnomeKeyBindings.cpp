#include "GnomeKeyBindings.h"

#include "platform/HotKeyTable.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

namespace {

constexpr const char *listSchema = "org.gnome.settings-daemon.plugins.media-keys";
constexpr const char *bindingSchema = "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding";
constexpr const char *folder = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/";
constexpr int gsettingsPatienceMs = 5000;

struct Binding
{
    HotKeyAction action;
    const char *name;   // what GNOME's keyboard settings show
    const char *option; // of the command line
    const char *path;   // our own, so that we find them again
};

constexpr Binding bindings[] = {
    {HotKeyAction::ImageCut, "TAVO截图：全屏截图", "--full", "tavo-screenshot-full/"},
    {HotKeyAction::ImageSave, "TAVO截图：保存全屏截图", "--save", "tavo-screenshot-save/"},
    {HotKeyAction::FreeCut, "TAVO截图：自由截图", "--region", "tavo-screenshot-region/"},
    {HotKeyAction::OpenDrawBoard, "TAVO截图：打开画板", "--board", "tavo-screenshot-board/"},
};

bool gsettings(const QStringList &arguments, QString *output, QString *failure)
{
    QProcess process;
    process.start(QStringLiteral("gsettings"), arguments);
    if (!process.waitForFinished(gsettingsPatienceMs) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        if (failure) {
            const QString said = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
            *failure = said.isEmpty() ? QStringLiteral("gsettings %1 failed: %2").arg(arguments.value(0), process.errorString())
                                      : said;
        }
        return false;
    }
    if (output)
        *output = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    return true;
}

// GVariant text of a string: single quotes, with backslashes and quotes escaped.
QString quoted(const QString &text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return QLatin1Char('\'') + escaped + QLatin1Char('\'');
}

// The custom bindings' paths as GNOME lists them ("@as []" or "['/a/', '/b/']").
QStringList listedPaths(QString *failure)
{
    QString text;
    if (!gsettings({QStringLiteral("get"), QLatin1String(listSchema), QStringLiteral("custom-keybindings")}, &text, failure))
        return {};
    QStringList paths;
    static const QRegularExpression item(QStringLiteral("'([^']*)'"));
    for (auto match = item.globalMatch(text); match.hasNext();)
        paths << match.next().captured(1);
    return paths;
}

// The command line as GNOME runs it (split the way a shell would): the program's path quoted
// where needed.
QString commandFor(const QString &program, const char *option)
{
    static const QRegularExpression special(QStringLiteral("[^A-Za-z0-9_./-]"));
    QString path = program;
    if (path.contains(special))
        path = QLatin1Char('\'') + path.replace(QLatin1Char('\''), QStringLiteral("'\\''")) + QLatin1Char('\'');
    return path + QLatin1Char(' ') + QLatin1String(option);
}

QString triggerFor(HotKeyAction action)
{
    for (const HotKey &hotKey : hotKeyTable())
        if (hotKey.action == action)
            return QStringLiteral("<Control><Alt>") + QChar::fromLatin1(hotKey.letter).toLower();
    return QString();
}

} // namespace

namespace gnomeKeyBindings {

bool isGnomeSession()
{
    const QStringList desktops = qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'));
    return desktops.contains(QStringLiteral("GNOME"), Qt::CaseInsensitive);
}

bool present()
{
    const QStringList paths = listedPaths(nullptr);
    for (const Binding &binding : bindings)
        if (!paths.contains(QLatin1String(folder) + QLatin1String(binding.path)))
            return false;
    return true;
}

bool add(const QString &program, QString *failure)
{
    QString why;
    QStringList paths = listedPaths(&why);
    if (!why.isEmpty()) {
        if (failure)
            *failure = why;
        return false;
    }
    for (const Binding &binding : bindings) {
        const QString path = QLatin1String(folder) + QLatin1String(binding.path);
        const QString schema = QLatin1String(bindingSchema) + QLatin1Char(':') + path;
        const QStringList values[] = {
            {QStringLiteral("name"), quoted(QString::fromUtf8(binding.name))},
            {QStringLiteral("command"), quoted(commandFor(program, binding.option))},
            {QStringLiteral("binding"), quoted(triggerFor(binding.action))},
        };
        for (const QStringList &value : values)
            if (!gsettings({QStringLiteral("set"), schema, value[0], value[1]}, nullptr, failure))
                return false;
        if (!paths.contains(path))
            paths << path;
    }
    QStringList items;
    for (const QString &path : paths)
        items << quoted(path);
    return gsettings({QStringLiteral("set"), QLatin1String(listSchema), QStringLiteral("custom-keybindings"),
                      QLatin1Char('[') + items.join(QStringLiteral(", ")) + QLatin1Char(']')},
                     nullptr, failure);
}

} // namespace gnomeKeyBindings
