#pragma once

#include "platform/WindowList.h"

#include <QDBusConnection>
#include <QJsonObject>
#include <QObject>

// The windows KWin shows, told by a script KWin runs for us: loaded through its scripting
// interface, the script sends the windows' frames back to this object on the session bus.
// windows() and activeWindow() therefore run the event loop, without user input, until the
// answer comes, for at most 500 ms.
class KWinWindowList : public QObject, public WindowList
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.tavo.WindowList")

public:
    explicit KWinWindowList(const QDBusConnection &bus = QDBusConnection::sessionBus());
    ~KWinWindowList() override;

    // Whether KWin runs on this bus.
    static bool isRunning(const QDBusConnection &bus = QDBusConnection::sessionBus());

    QVector<WindowFrame> windows() override;
    std::optional<WindowFrame> activeWindow() override;

public slots:
    // Called by the script.
    Q_SCRIPTABLE void report(const QString &json);

private:
    // The script's report, or an empty object when KWin did not answer in time.
    QJsonObject ask();
    bool runScript(const QString &file);

    QDBusConnection bus;
    QString path;
    QString pluginName;
    QJsonObject lastReport;
    bool reported = false;
};

// The report's windows on the current desktop, top first, leaving out minimised ones, the
// desktop and those of the process `ownPid`.
QVector<WindowFrame> kwinWindows(const QJsonObject &report, qint64 ownPid);
// The report's active window.
std::optional<WindowFrame> kwinActiveWindow(const QJsonObject &report);
