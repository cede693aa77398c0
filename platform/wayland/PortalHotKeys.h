#pragma once

#include "platform/GlobalHotKeys.h"

#include <QDBusConnection>
#include <QPointer>
#include <QString>
#include <QVariantMap>

class QDBusObjectPath;
class PortalRequest;

// The hot keys through the GlobalShortcuts portal, where the desktop offers one (KDE Plasma
// 5.27 and later): a portal session under a fixed token, the table's four combinations bound in
// it, the portal's Activated signal turned into activated(id). Where no portal binds them, none
// are held, and the user is told once how to bind the command line instead.
class PortalHotKeys : public GlobalHotKeys
{
    Q_OBJECT

public:
    // The session's token; KDE names the shortcuts' group in its settings after it, so it stays.
    static constexpr const char *sessionToken = "tavo_screenshot";

    explicit PortalHotKeys(QWidget *window, const QDBusConnection &bus = QDBusConnection::sessionBus());
    ~PortalHotKeys() override;

    QVector<int> heldIds() const override;

signals:
    // A binding attempt ended: the keys are held (see heldIds()) or the portal bound none.
    void bindingSettled();

protected:
    void grab() override;
    void release() override;

private slots:
    void takeActivation(const QDBusObjectPath &session, const QString &shortcutId, qulonglong timestamp,
                        const QVariantMap &options);

private:
    void takeSession(uint response, const QVariantMap &results);
    void takeBinding(uint response, const QVariantMap &results);
    void takeShortcuts(const QVariantMap &results);
    void listenForActivations(bool listen);
    void giveUp(const QString &reason);
    PortalRequest *startRequest();
    void dropPending();

    QDBusConnection bus;
    QPointer<PortalRequest> pending;
    QString session;
    QVector<int> held;
    bool listening = false;
};
