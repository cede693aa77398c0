// The sway window list's socket: a compositor that takes the request but never answers, or is
// not there at all, costs a capture at most the list's time-out, and the list is empty. And the
// program's own window found in sway's tree by process and title, to be placed.
#include "platform/wayland/SwayPlacement.h"
#include "platform/wayland/SwayWindowList.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QTemporaryDir>
#include <QtTest>

class TestSwayWindowList : public QObject
{
    Q_OBJECT

private slots:
    void hungOrMissingCompositorGivesNothingInTime_data();
    void hungOrMissingCompositorGivesNothingInTime();
    void ownWindowFoundByProcessAndTitle_data();
    void ownWindowFoundByProcessAndTitle();
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

void TestSwayWindowList::ownWindowFoundByProcessAndTitle_data()
{
    QTest::addColumn<qint64>("pid");
    QTest::addColumn<QString>("title");
    QTest::addColumn<qint64>("expected");  // -1: none

    QTest::newRow("tiled, deep in a split") << qint64(100) << QStringLiteral("长截图区域 1") << qint64(4);
    QTest::newRow("same title, another process") << qint64(200) << QStringLiteral("长截图区域 1") << qint64(7);
    QTest::newRow("floating") << qint64(100) << QStringLiteral("长截图进行中") << qint64(9);
    QTest::newRow("not mapped yet") << qint64(100) << QStringLiteral("长截图预览") << qint64(-1);
}

void TestSwayWindowList::ownWindowFoundByProcessAndTitle()
{
    QFETCH(qint64, pid);
    QFETCH(QString, title);
    QFETCH(qint64, expected);
    const QByteArray tree = R"({"id": 1, "name": "root", "nodes": [{"id": 2, "name": "HEADLESS-1", "nodes": [
        {"id": 3, "name": "1", "type": "workspace", "nodes": [
            {"id": 5, "name": null, "nodes": [{"id": 4, "pid": 100, "name": "长截图区域 1", "nodes": []}]}],
         "floating_nodes": [{"id": 7, "pid": 200, "name": "长截图区域 1"},
                            {"id": 9, "pid": 100, "name": "长截图进行中"}]}]}]})";
    const std::optional<qint64> id = swayWindowId(QJsonDocument::fromJson(tree).object(), pid, title);
    QCOMPARE(id.value_or(-1), expected);
}

QTEST_GUILESS_MAIN(TestSwayWindowList)
#include "tst_sway_window_list.moc"
