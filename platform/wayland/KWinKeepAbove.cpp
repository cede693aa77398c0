#include "KWinKeepAbove.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDir>
#include <QEvent>
#include <QPointer>
#include <QTemporaryFile>
#include <QTimer>
#include <QWidget>

#include <memory>

namespace {

const QString kwinService = QStringLiteral("org.kde.KWin");
// The compositor maps a window a moment after the toolkit shows it; the script looks for it then.
constexpr int mappedAfterMs = 300;
// KWin reads and runs a loaded script on its own time; it is unloaded once that has surely happened.
constexpr int scriptLifetimeMs = 3000;

QString quotedForScript(const QString &text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('"'), QStringLiteral("\\\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// KWin 5 lists its windows as clients, KWin 6 as windows.
QString scriptFor(const QString &title)
{
    return QStringLiteral("var all = workspace.windowList ? workspace.windowList() : workspace.clientList();\n"
                          "for (var i = 0; i < all.length; ++i)\n"
                          "    if (all[i].pid === %1 && all[i].caption === %2)\n"
                          "        all[i].keepAbove = true;\n")
        .arg(QCoreApplication::applicationPid())
        .arg(quotedForScript(title));
}

QDBusMessage scriptingCall(const QString &method)
{
    return QDBusMessage::createMethodCall(kwinService, QStringLiteral("/Scripting"),
                                          QStringLiteral("org.kde.kwin.Scripting"), method);
}

void runLoadedScript(int id)
{
    // KWin 5.21 and later register a loaded script here; earlier ones under "/<id>".
    for (const QString &path : {QStringLiteral("/Scripting/Script%1").arg(id), QStringLiteral("/%1").arg(id)}) {
        const QDBusMessage run = QDBusMessage::createMethodCall(kwinService, path, QStringLiteral("org.kde.kwin.Script"),
                                                                QStringLiteral("run"));
        QDBusConnection::sessionBus().asyncCall(run);
    }
}

void loadAndRun(const QString &title)
{
    static int scripts = 0;
    auto file = std::make_shared<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/tavo-keep-above-XXXXXX.js"));
    if (!file->open())
        return;
    file->write(scriptFor(title).toUtf8());
    file->flush();
    const QString plugin = QStringLiteral("tavo-keep-above-%1-%2").arg(QCoreApplication::applicationPid()).arg(++scripts);
    QDBusMessage load = scriptingCall(QStringLiteral("loadScript"));
    load << file->fileName() << plugin;
    auto *watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(load), qApp);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, qApp, [watcher, file, plugin] {
        watcher->deleteLater();
        const QDBusPendingReply<int> reply = *watcher;
        if (reply.isError() || reply.value() < 0)
            return;
        runLoadedScript(reply.value());
        QTimer::singleShot(scriptLifetimeMs, qApp, [file, plugin] {
            QDBusMessage unload = scriptingCall(QStringLiteral("unloadScript"));
            unload << plugin;
            QDBusConnection::sessionBus().asyncCall(unload);
        });
    });
}

class ShowWatch : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show) {
            QPointer<QWidget> window = static_cast<QWidget *>(watched);
            QTimer::singleShot(mappedAfterMs, this, [window] {
                if (window && window->isVisible())
                    loadAndRun(window->windowTitle());
            });
        }
        return false;
    }
};

bool kdeSession()
{
    return qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':')).contains(QLatin1String("KDE"));
}

} // namespace

void keepAboveOnKWin(QWidget *window)
{
    if (!kdeSession())
        return;
    window->installEventFilter(new ShowWatch(window));
}
