#include "PortalHotKeys.h"

#include "platform/HotKeyTable.h"
#include "platform/wayland/PortalRequest.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDebug>

// One entry of the portal's shortcut lists, a(sa{sv}): an id and its properties.
struct PortalShortcut
{
    QString id;
    QVariantMap properties;
};
Q_DECLARE_METATYPE(PortalShortcut)
Q_DECLARE_METATYPE(QList<PortalShortcut>)

QDBusArgument &operator<<(QDBusArgument &argument, const PortalShortcut &shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, PortalShortcut &shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

namespace {

constexpr const char *shortcutsInterface = "org.freedesktop.portal.GlobalShortcuts";
constexpr int createTimeoutMs = 10000;
// Binding may show the user a confirmation dialog first.
constexpr int bindTimeoutMs = 120000;

struct ShortcutName
{
    HotKeyAction action;
    const char *id;          // the portal's id: stable, since the desktop stores the user's keys under it
    const char *description; // what the desktop's shortcut settings show
};

constexpr ShortcutName shortcutNames[] = {
    {HotKeyAction::ImageCut, "full-capture", "全屏截图"},
    {HotKeyAction::ImageSave, "full-capture-save", "保存全屏截图"},
    {HotKeyAction::FreeCut, "region-capture", "自由截图"},
    {HotKeyAction::OpenDrawBoard, "draw-board", "打开画板"},
};

const ShortcutName *nameOf(HotKeyAction action)
{
    for (const ShortcutName &name : shortcutNames) {
        if (name.action == action)
            return &name;
    }
    return nullptr;
}

// The table's id behind a portal id; 0 for an id of no table entry.
int tableIdOf(const QString &shortcutId)
{
    for (const HotKey &hotKey : hotKeyTable()) {
        const ShortcutName *name = nameOf(hotKey.action);
        if (name && shortcutId == QLatin1String(name->id))
            return hotKey.id;
    }
    return 0;
}

QList<PortalShortcut> tableShortcuts()
{
    QList<PortalShortcut> shortcuts;
    for (const HotKey &hotKey : hotKeyTable()) {
        const ShortcutName *name = nameOf(hotKey.action);
        if (!name)
            continue;
        // The portal's trigger syntax: modifiers in capitals, then the key's own name.
        const QString trigger = QStringLiteral("CTRL+ALT+") + QChar::fromLatin1(hotKey.letter).toLower();
        shortcuts << PortalShortcut{QLatin1String(name->id),
                                    {{QStringLiteral("description"), QString::fromUtf8(name->description)},
                                     {QStringLiteral("preferred_trigger"), trigger}}};
    }
    return shortcuts;
}

// The session's path as the answer gives it: a string in most portals, an object path in some.
QString sessionPathOf(const QVariant &handle)
{
    if (handle.userType() == qMetaTypeId<QDBusObjectPath>())
        return handle.value<QDBusObjectPath>().path();
    return handle.toString();
}

void sayOnceThatNoKeysAreHeld(const QString &reason)
{
    static bool said = false;
    if (said)
        return;
    said = true;
    qInfo().noquote() << QStringLiteral(
                             "Global hot keys are not available on this desktop (%1). Bind keys in the "
                             "desktop's own shortcut settings to the command line instead, e.g. "
                             "'tavo-screenshot --full' (man tavo-screenshot shows how for sway, GNOME and KDE).")
                             .arg(reason);
}

} // namespace

PortalHotKeys::PortalHotKeys(QWidget *window, const QDBusConnection &bus)
    : GlobalHotKeys(window)
    , bus(bus)
{
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
}

PortalHotKeys::~PortalHotKeys()
{
    release();
}

QVector<int> PortalHotKeys::heldIds() const
{
    return held;
}

PortalRequest *PortalHotKeys::startRequest()
{
    dropPending();
    pending = new PortalRequest(bus, this);
    connect(pending, &PortalRequest::failed, this, [this](const QString &reason) { giveUp(reason); });
    return pending;
}

void PortalHotKeys::grab()
{
    // Listening before the session exists: the portal may send an activation right after its
    // answer, before a match asked for on the answer would reach the bus. Activations of no
    // session of ours are ignored.
    listenForActivations(true);
    PortalRequest *request = startRequest();
    connect(request, &PortalRequest::answered, this, &PortalHotKeys::takeSession);
    // KDE Plasma 5.27 binds only what the session was created with, so the keys go here too.
    request->send(QLatin1String(shortcutsInterface), QStringLiteral("CreateSession"), {},
                  {{QStringLiteral("session_handle_token"), QLatin1String(sessionToken)},
                   {QStringLiteral("shortcuts"), QVariant::fromValue(tableShortcuts())}},
                  createTimeoutMs);
}

void PortalHotKeys::takeSession(uint response, const QVariantMap &results)
{
    dropPending();
    session = sessionPathOf(results.value(QStringLiteral("session_handle")));
    if (response != 0 || session.isEmpty()) {
        giveUp(QStringLiteral("the portal refused a shortcuts session, response %1").arg(response));
        return;
    }
    // KDE Plasma 5.27 answers with the keys it has bound already. Its BindShortcuts would only
    // open System Settings on them, at every start of the program.
    if (results.contains(QStringLiteral("shortcuts"))) {
        takeShortcuts(results);
        return;
    }
    PortalRequest *request = startRequest();
    connect(request, &PortalRequest::answered, this, &PortalHotKeys::takeBinding);
    request->send(QLatin1String(shortcutsInterface), QStringLiteral("BindShortcuts"),
                  {QVariant::fromValue(QDBusObjectPath(session)), QVariant::fromValue(tableShortcuts()), QString()},
                  {}, bindTimeoutMs);
}

void PortalHotKeys::takeBinding(uint response, const QVariantMap &results)
{
    dropPending();
    if (response != 0) {
        giveUp(QStringLiteral("the portal bound no shortcuts, response %1").arg(response));
        return;
    }
    takeShortcuts(results);
}

void PortalHotKeys::takeShortcuts(const QVariantMap &results)
{
    held.clear();
    const auto bound = qdbus_cast<QList<PortalShortcut>>(results.value(QStringLiteral("shortcuts")));
    for (const PortalShortcut &shortcut : bound) {
        // A key the desktop could not give (another program has it) comes back without a trigger.
        const QVariant trigger = shortcut.properties.value(QStringLiteral("trigger_description"));
        const int id = tableIdOf(shortcut.id);
        if (id != 0 && !(trigger.isValid() && trigger.toString().isEmpty()) && !held.contains(id))
            held << id;
    }
    if (held.isEmpty())
        sayOnceThatNoKeysAreHeld(QStringLiteral("the portal bound none of the shortcuts"));
    emit bindingSettled();
}

void PortalHotKeys::listenForActivations(bool listen)
{
    const QString service = QLatin1String(PortalRequest::portalService);
    const QString path = QLatin1String(PortalRequest::portalPath);
    const QString interface = QLatin1String(shortcutsInterface);
    const char *slot = SLOT(takeActivation(QDBusObjectPath, QString, qulonglong, QVariantMap));
    if (listen && !listening)
        listening = bus.connect(service, path, interface, QStringLiteral("Activated"), this, slot);
    else if (!listen && listening)
        listening = !bus.disconnect(service, path, interface, QStringLiteral("Activated"), this, slot);
}

void PortalHotKeys::giveUp(const QString &reason)
{
    release();
    sayOnceThatNoKeysAreHeld(reason);
    emit bindingSettled();
}

void PortalHotKeys::dropPending()
{
    // Possibly in the middle of its own signal: deleted later, and heard no more.
    if (pending) {
        pending->disconnect(this);
        pending->deleteLater();
        pending = nullptr;
    }
}

void PortalHotKeys::release()
{
    dropPending();
    held.clear();
    listenForActivations(false);
    if (session.isEmpty())
        return;
    bus.send(QDBusMessage::createMethodCall(QLatin1String(PortalRequest::portalService), session,
                                            QStringLiteral("org.freedesktop.portal.Session"),
                                            QStringLiteral("Close")));
    session.clear();
}

void PortalHotKeys::takeActivation(const QDBusObjectPath &activatedSession, const QString &shortcutId,
                                   qulonglong, const QVariantMap &)
{
    if (activatedSession.path() != session)
        return;
    const int id = tableIdOf(shortcutId);
    if (id != 0 && held.contains(id))
        emit activated(id);
}
