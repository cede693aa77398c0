#include "PortalRequest.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QTimer>

namespace {

constexpr const char *requestInterface = "org.freedesktop.portal.Request";

// The errors that mean nobody on the bus offers the call, as against a portal that refused it.
bool meansUnavailable(const QString &errorName)
{
    static const QStringList names{
        QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown"),
        QStringLiteral("org.freedesktop.DBus.Error.NameHasNoOwner"),
        QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"),
        QStringLiteral("org.freedesktop.DBus.Error.UnknownInterface"),
        QStringLiteral("org.freedesktop.DBus.Error.UnknownObject"),
        QStringLiteral("org.freedesktop.DBus.Error.Disconnected"),
    };
    // Activation failures (the portal's executable missing or crashing at start) too.
    return names.contains(errorName) || errorName.startsWith(QLatin1String("org.freedesktop.DBus.Error.Spawn."));
}

// A token unique within this process; the connection's name makes the path unique on the bus.
QString nextToken()
{
    static int counter = 0;
    return QStringLiteral("tavo%1").arg(++counter);
}

} // namespace

PortalRequest::PortalRequest(const QDBusConnection &bus, QObject *parent)
    : QObject(parent)
    , bus(bus)
{
}

PortalRequest::~PortalRequest()
{
    // Whoever waited is gone: a dialog the portal may be showing for this request can go too.
    if (!finished && !handle.isEmpty())
        closeOnPortal();
    unsubscribe();
}

QString PortalRequest::handlePath(const QDBusConnection &bus, const QString &kind, const QString &token)
{
    QString sender = bus.baseService();
    sender.remove(0, sender.startsWith(QLatin1Char(':')) ? 1 : 0).replace(QLatin1Char('.'), QLatin1Char('_'));
    return QStringLiteral("%1/%2/%3/%4").arg(QLatin1String(portalPath), kind, sender, token);
}

void PortalRequest::send(const QString &interface, const QString &method, const QVariantList &arguments,
                         QVariantMap options, int timeoutMs)
{
    this->method = method;
    if (!bus.isConnected()) {
        // Some minimal sessions run no session bus at all; that is no portal either.
        QTimer::singleShot(0, this, [this] {
            finished = true;
            emit failed(QStringLiteral("no session bus to reach a desktop portal"), true);
        });
        return;
    }
    const QString token = nextToken();
    options.insert(QStringLiteral("handle_token"), token);
    handle = handlePath(bus, QStringLiteral("request"), token);
    subscribe(handle);

    QDBusMessage call = QDBusMessage::createMethodCall(QLatin1String(portalService), QLatin1String(portalPath),
                                                       interface, method);
    call.setArguments(QVariantList(arguments) << options);
    // The call itself may wait a little longer: the time-out below says it more plainly.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, timeoutMs + 1000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, &PortalRequest::takeCallReply);

    timeout = new QTimer(this);
    timeout->setSingleShot(true);
    timeout->setInterval(timeoutMs);
    connect(timeout, &QTimer::timeout, this, &PortalRequest::giveUp);
    timeout->start();
}

void PortalRequest::takeCallReply(QDBusPendingCallWatcher *watcher)
{
    watcher->deleteLater();
    if (finished)
        return;
    const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
    if (reply.isError()) {
        finished = true;
        timeout->stop();
        unsubscribe();
        const QDBusError error = reply.error();
        const bool unavailable = meansUnavailable(error.name());
        emit failed(unavailable ? QStringLiteral("no desktop portal offers %1").arg(method)
                                : QStringLiteral("the portal refused %1: %2").arg(method, error.message()),
                    unavailable);
        return;
    }
    // Portals before the handle token existed chose the path themselves.
    const QString path = reply.value().path();
    if (path != handle) {
        unsubscribe();
        handle = path;
        subscribe(handle);
    }
}

void PortalRequest::takeResponse(uint response, const QVariantMap &results)
{
    if (finished)
        return;
    finished = true;
    timeout->stop();
    unsubscribe();
    emit answered(response, results);
}

void PortalRequest::giveUp()
{
    if (finished)
        return;
    finished = true;
    closeOnPortal();
    unsubscribe();
    emit failed(QStringLiteral("the portal did not answer %1 within %2 s")
                    .arg(method)
                    .arg(timeout->interval() / 1000.0, 0, 'g', 2),
                false);
}

void PortalRequest::subscribe(const QString &path)
{
    subscribedPath = path;
    bus.connect(QLatin1String(portalService), path, QLatin1String(requestInterface), QStringLiteral("Response"),
                this, SLOT(takeResponse(uint, QVariantMap)));
}

void PortalRequest::unsubscribe()
{
    if (subscribedPath.isEmpty())
        return;
    bus.disconnect(QLatin1String(portalService), subscribedPath, QLatin1String(requestInterface),
                   QStringLiteral("Response"), this, SLOT(takeResponse(uint, QVariantMap)));
    subscribedPath.clear();
}

void PortalRequest::closeOnPortal()
{
    bus.send(QDBusMessage::createMethodCall(QLatin1String(portalService), handle,
                                            QLatin1String(requestInterface), QStringLiteral("Close")));
}
