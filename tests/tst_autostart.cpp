#include "platform/Autostart.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// Starting with the session: the XDG autostart entry is written where the desktop looks for it,
// starts the program even from a folder whose name needs quoting, and goes again.
class TestAutostart : public QObject
{
    Q_OBJECT

private slots:
    void entryStartsTheProgramAndGoes();
};

void TestAutostart::entryStartsTheProgramAndGoes()
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    // A program that leaves a mark when started, in a folder with the characters the Exec key
    // must escape. (A % is escaped too, but GLib looks for the program before it undoes that.)
    const QString folder = home.filePath(QStringLiteral("my \"tools\" $HOME `x` back\\slash"));
    QVERIFY(QDir().mkpath(folder));
    const QString program = QDir(folder).filePath(QStringLiteral("tavo-screenshot"));
    const QString mark = home.filePath(QStringLiteral("started"));
    QFile script(program);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\ntouch '" + QFile::encodeName(mark) + "'\n");
    script.close();
    script.setPermissions(script.permissions() | QFileDevice::ExeOwner);

    QVERIFY(!autostart::isEnabled());
    QVERIFY(autostart::setEnabled(true, program));
    QVERIFY(autostart::isEnabled());
    const QString entry = home.filePath(QStringLiteral("config/autostart/tavo-screenshot.desktop"));
    QVERIFY(QFile::exists(entry));

    QProcess validate;
    validate.start(QStringLiteral("desktop-file-validate"), {entry});
    QVERIFY(validate.waitForFinished());
    QVERIFY2(validate.exitCode() == 0, validate.readAllStandardOutput().constData());
    // GLib's launcher reads the Exec key as a session starting the entry would.
    QProcess launch;
    launch.start(QStringLiteral("gio"), {QStringLiteral("launch"), entry});
    QVERIFY(launch.waitForFinished());
    QTRY_VERIFY2(QFile::exists(mark), launch.readAllStandardError().constData());

    QVERIFY(autostart::setEnabled(false, program));
    QVERIFY(!autostart::isEnabled());
    QVERIFY(!QFile::exists(entry));
    // Turning off what is off already is no failure.
    QVERIFY(autostart::setEnabled(false, program));
}

QTEST_GUILESS_MAIN(TestAutostart)
#include "tst_autostart.moc"
