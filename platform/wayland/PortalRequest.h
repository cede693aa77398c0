#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

class QDBusPendingCallWatcher;
class QTimer;

// One call to a desktop portal method that answers through a Request object: the method returns
// at once and the answer comes later as the Request's Response signal. The signal is subscribed
// to before the call, since it may arrive before the call returns. Ends exactly once: answered(),
// or failed() for a missing portal, a refused call or no answer within the time-out.
class PortalRequest : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *portalService = "org.freedesktop.portal.Desktop";
    static constexpr const char *portalPath = "/org/freedesktop/portal/desktop";

    PortalRequest(const QDBusConnection &bus, QObject *parent);
    ~PortalRequest() override;

    // Calls `method` of `interface` with `arguments` followed by `options`, to which the
    // request's handle token is added. Call once.
    void send(const QString &interface, const QString &method, const QVariantList &arguments,
              QVariantMap options, int timeoutMs);

    // The object path the portal gives an object of this connection named with `token`
    // ("request" or "session" for `kind`).
    static QString handlePath(const QDBusConnection &bus, const QString &kind, const QString &token);

signals:
    // The portal's answer: response 0 is success, 1 cancelled by the user, 2 anything else.
    void answered(uint response, const QVariantMap &results);
    // No answer. `unavailable` when no portal offers the interface on this bus.
    void failed(const QString &reason, bool unavailable);

private slots:
    void takeResponse(uint response, const QVariantMap &results);

private:
    void takeCallReply(QDBusPendingCallWatcher *watcher);
    void giveUp();
    void subscribe(const QString &path);
    void unsubscribe();
    void closeOnPortal();

    QDBusConnection bus;
    QString handle;
    QString subscribedPath;
    QString method;
    QTimer *timeout = nullptr;
    bool finished = false;
};
