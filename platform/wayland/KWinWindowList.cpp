#include "KWinWindowList.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryFile>
#include <QTimer>

#include <algorithm>

namespace {

constexpr const char *service = "org.kde.KWin";
constexpr const char *scriptingPath = "/Scripting";
constexpr const char *scriptingInterface = "org.kde.kwin.Scripting";
// A compositor that hangs must never freeze a capture: past this the list is empty.
constexpr int answerTimeoutMs = 500;

// Runs inside KWin. Every window with what the list needs; the choice is made on our side.
// KWin 6 renamed what KWin 5 called clients to windows, and a window may be on several desktops.
constexpr const char *scriptTemplate = R"(
function onCurrentDesktop(w) {
    if (w.onAllDesktops)
        return true;
    return w.desktops !== undefined ? w.desktops.indexOf(workspace.currentDesktop) >= 0
                                    : w.desktop == workspace.currentDesktop;
}
function describe(w) {
    var g = w.frameGeometry;
    return {title: w.caption, pid: w.pid, x: g.x, y: g.y, width: g.width, height: g.height,
            stacking: w.stackingOrder, minimized: w.minimized, desktopWindow: w.desktopWindow,
            shown: onCurrentDesktop(w), kind: w.normalWindow || w.dialog || w.utility || w.dock};
}
var all = workspace.windowList !== undefined ? workspace.windowList() : workspace.clientList();
var focused = workspace.activeWindow !== undefined ? workspace.activeWindow : workspace.activeClient;
callDBus("%1", "%2", "org.tavo.WindowList", "report",
         JSON.stringify({windows: all.map(describe), active: focused ? describe(focused) : null}));
)";

WindowFrame frameOf(const QJsonObject &window)
{
    return {QRect(window.value(QLatin1String("x")).toInt(), window.value(QLatin1String("y")).toInt(),
                  window.value(QLatin1String("width")).toInt(), window.value(QLatin1String("height")).toInt()),
            window.value(QLatin1String("title")).toString()};
}

bool flag(const QJsonObject &window, const char *name)
{
    return window.value(QLatin1String(name)).toBool();
}

} // namespace

KWinWindowList::KWinWindowList(const QDBusConnection &bus)
    : bus(bus)
{
    static int made = 0;
    path = QStringLiteral("/org/tavo/WindowList%1").arg(++made);
    pluginName = QStringLiteral("tavo-window-list-%1-%2").arg(QCoreApplication::applicationPid()).arg(made);
    this->bus.registerObject(path, this, QDBusConnection::ExportScriptableSlots);
}

KWinWindowList::~KWinWindowList()
{
    bus.unregisterObject(path);
}

bool KWinWindowList::isRunning(const QDBusConnection &bus)
{
    return bus.isConnected() && bus.interface()->isServiceRegistered(QLatin1String(service));
}

QVector<WindowFrame> KWinWindowList::windows()
{
    return kwinWindows(ask(), QCoreApplication::applicationPid());
}

std::optional<WindowFrame> KWinWindowList::activeWindow()
{
    return kwinActiveWindow(ask());
}

void KWinWindowList::report(const QString &json)
{
    lastReport = QJsonDocument::fromJson(json.toUtf8()).object();
    reported = true;
}

QJsonObject KWinWindowList::ask()
{
    // KWin reads the script from a file, and only while loading it.
    QTemporaryFile script;
    if (!bus.isConnected() || !script.open())
        return QJsonObject();
    script.write(QString::fromLatin1(scriptTemplate).arg(bus.baseService(), path).toUtf8());
    script.flush();

    reported = false;
    lastReport = QJsonObject();
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    timeout.start(answerTimeoutMs);
    if (runScript(script.fileName())) {
        // The report comes as a call on the bus; nothing the user does is handled meanwhile.
        while (!reported && timeout.isActive())
            loop.processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::WaitForMoreEvents);
    }
    bus.call(QDBusMessage::createMethodCall(QLatin1String(service), QLatin1String(scriptingPath),
                                            QLatin1String(scriptingInterface), QStringLiteral("unloadScript"))
                 << pluginName,
             QDBus::Block, answerTimeoutMs);
    return reported ? lastReport : QJsonObject();
}

bool KWinWindowList::runScript(const QString &file)
{
    auto call = [&](const QString &objectPath, const QString &interface, const QString &method,
                    const QVariantList &arguments) {
        QDBusMessage message =
            QDBusMessage::createMethodCall(QLatin1String(service), objectPath, interface, method);
        message.setArguments(arguments);
        return bus.call(message, QDBus::Block, answerTimeoutMs);
    };
    // A script of the same name left behind would make KWin refuse the new one.
    call(QLatin1String(scriptingPath), QLatin1String(scriptingInterface), QStringLiteral("unloadScript"),
         {pluginName});
    const QDBusMessage loaded = call(QLatin1String(scriptingPath), QLatin1String(scriptingInterface),
                                     QStringLiteral("loadScript"), {file, pluginName});
    if (loaded.type() != QDBusMessage::ReplyMessage || loaded.arguments().isEmpty())
        return false;
    const int id = loaded.arguments().first().toInt();
    if (id < 0)
        return false;
    // KWin 5 puts each script at /<id>, KWin 6 at /Scripting/Script<id>.
    for (const QString &scriptPath : {QStringLiteral("/%1").arg(id), QStringLiteral("/Scripting/Script%1").arg(id)}) {
        if (call(scriptPath, QStringLiteral("org.kde.kwin.Script"), QStringLiteral("run"), {}).type()
            == QDBusMessage::ReplyMessage)
            return true;
    }
    return false;
}

QVector<WindowFrame> kwinWindows(const QJsonObject &report, qint64 ownPid)
{
    QVector<QJsonObject> shown;
    for (const QJsonValue &value : report.value(QLatin1String("windows")).toArray()) {
        const QJsonObject window = value.toObject();
        if (!flag(window, "shown") || flag(window, "minimized") || flag(window, "desktopWindow")
            || !flag(window, "kind") || window.value(QLatin1String("pid")).toVariant().toLongLong() == ownPid)
            continue;
        shown.append(window);
    }
    std::stable_sort(shown.begin(), shown.end(), [](const QJsonObject &a, const QJsonObject &b) {
        return a.value(QLatin1String("stacking")).toInt() > b.value(QLatin1String("stacking")).toInt();
    });
    QVector<WindowFrame> frames;
    for (const QJsonObject &window : shown) {
        const WindowFrame frame = frameOf(window);
        if (!frame.area.isEmpty())
            frames.append(frame);
    }
    return frames;
}

std::optional<WindowFrame> kwinActiveWindow(const QJsonObject &report)
{
    const QJsonValue active = report.value(QLatin1String("active"));
    if (!active.isObject())
        return std::nullopt;
    return frameOf(active.toObject());
}
