#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A D-Bus session bus of the test's own, with no service that could be started on demand: what
// a desktop without portals looks like. Ends with this object.
class PrivateBus
{
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus &) = delete;
    PrivateBus &operator=(const PrivateBus &) = delete;

    bool isUp() const { return !address.isEmpty(); }
    // A new connection to the bus under `name` (each connection has its own unique bus name).
    QDBusConnection connect(const QString &name);

private:
    QTemporaryDir folder;
    QProcess daemon;
    QString address;
    QStringList names;
};
