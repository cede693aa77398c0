#include "PrivateBus.h"

#include <QFile>

namespace {

// Lets every connection own any name and talk to any other; no <servicedir>, so nothing is
// activated.
constexpr char configuration[] = R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=%1</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

} // namespace

PrivateBus::PrivateBus()
{
    const QString config = folder.filePath(QStringLiteral("bus.conf"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(QString::fromLatin1(configuration).arg(folder.path()).toUtf8());
    file.close();
    daemon.start(QStringLiteral("dbus-daemon"),
                 {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"), QStringLiteral("--print-address")});
    // The address line comes once the bus listens.
    if (daemon.waitForStarted() && daemon.waitForReadyRead(10000))
        address = QString::fromLatin1(daemon.readLine()).trimmed();
}

PrivateBus::~PrivateBus()
{
    for (const QString &name : qAsConst(names))
        QDBusConnection::disconnectFromBus(name);
    daemon.terminate();
    daemon.waitForFinished(3000);
}

QDBusConnection PrivateBus::connect(const QString &name)
{
    names << name;
    return QDBusConnection::connectToBus(address, name);
}
