#include "platform/wayland/GrimDesktopGrabber.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// A grab still under way when its context goes says nothing more: not while the context is torn
// down (a panel on quit or SIGTERM), nor afterwards.
class TestGrabLifetime : public QObject
{
    Q_OBJECT

private slots:
    void grimRunEndsSilentlyWithItsContext();
};

void TestGrabLifetime::grimRunEndsSilentlyWithItsContext()
{
    // A grim that never finishes of itself, and says when it has started.
    QTemporaryDir dir;
    const QString started = dir.filePath(QStringLiteral("started"));
    const QString grim = dir.filePath(QStringLiteral("grim"));
    QFile script(grim);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write(QStringLiteral("#!/bin/sh\ntouch '%1'\nexec sleep 30\n").arg(started).toUtf8());
    script.close();
    QVERIFY(script.setPermissions(script.permissions() | QFileDevice::ExeOwner));

    GrimDesktopGrabber grabber(grim);
    int answers = 0;
    auto *context = new QObject;
    grabber.grab(context, [&answers](const DesktopPicture &) { ++answers; });
    QTRY_VERIFY(QFile::exists(started));

    // Its process is killed and reaped as the context goes, which reports the process's end.
    delete context;
    QCoreApplication::processEvents();
    QCOMPARE(answers, 0);
}

QTEST_MAIN(TestGrabLifetime)
#include "tst_grab_lifetime.moc"
