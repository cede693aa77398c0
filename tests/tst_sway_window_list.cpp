// The sway window list's socket: a compositor that takes the request but never answers, or is
// not there at all, costs a capture at most the list's time-out, and the list is empty.
#include "platform/wayland/SwayWindowList.h"

#include <QElapsedTimer>
#include <QLocalServer>
#include <QTemporaryDir>
#include <QtTest>

class TestSwayWindowList : public QObject
{
    Q_OBJECT

private slots:
    void hungOrMissingCompositorGivesNothingInTime_data();
    void hungOrMissingCompositorGivesNothingInTime();
};

void TestSwayWindowList::hungOrMissingCompositorGivesNothingInTime_data()
{
    QTest::addColumn<bool>("listening");
    QTest::newRow("hung") << true;
    QTest::newRow("missing") << false;
}

void TestSwayWindowList::hungOrMissingCompositorGivesNothingInTime()
{
    QFETCH(bool, listening);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("sway-ipc.sock"));
    // The system takes the connection into the backlog; nobody ever reads or answers.
    QLocalServer server;
    if (listening)
        QVERIFY(server.listen(path));
    SwayWindowList list(path);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(list.windows().isEmpty());
    QVERIFY2(clock.elapsed() < 1500, qPrintable(QString::number(clock.elapsed())));
    clock.restart();
    QVERIFY(!list.activeWindow());
    QVERIFY2(clock.elapsed() < 1500, qPrintable(QString::number(clock.elapsed())));
}

QTEST_GUILESS_MAIN(TestSwayWindowList)
#include "tst_sway_window_list.moc"
