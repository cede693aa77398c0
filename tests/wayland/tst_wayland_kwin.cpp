#include "app/Home.h"
#include "board/DrawBoard.h"
#include "platform/HotKeyTable.h"
#include "platform/wayland/PortalHotKeys.h"
#include "TestSupport.h"

#include <QApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

#include <algorithm>

// The panel's hot keys through the GlobalShortcuts portal in a headless KWin session with the
// KDE portal: all four bound, and Ctrl+Alt+O injected through KWin's fake input opens a board.
class TestWaylandKWin : public QObject
{
    Q_OBJECT

private slots:
    void bindsTheFourKeysAndCtrlAltOOpensABoard();
};

void TestWaylandKWin::bindsTheFourKeysAndCtrlAltOOpensABoard()
{
    QVERIFY2(QGuiApplication::platformName().startsWith(QLatin1String("wayland")),
             qPrintable(QGuiApplication::platformName()));
    Home home;
    auto *hotKeys = home.findChild<PortalHotKeys *>();
    QVERIFY(hotKeys);
    // The panel asked for its keys in its constructor; the portal answers later.
    QSignalSpy settled(hotKeys, &PortalHotKeys::bindingSettled);
    QTRY_COMPARE_WITH_TIMEOUT(settled.count(), 1, 30000);

    QVector<int> held = hotKeys->heldIds();
    std::sort(held.begin(), held.end());
    QVector<int> table;
    for (const HotKey &hotKey : hotKeyTable())
        table << hotKey.id;
    std::sort(table.begin(), table.end());
    QCOMPARE(held, table);

    QVERIFY(support::topLevels<DrawBoard>().isEmpty());
    QCOMPARE(QProcess::execute(QStringLiteral("kwin-keys"),
                               {QStringLiteral("ctrl"), QStringLiteral("alt"), QStringLiteral("o")}),
             0);
    QTRY_COMPARE_WITH_TIMEOUT(support::topLevels<DrawBoard>().size(), 1, 10000);
    QVERIFY(QTest::qWaitForWindowExposed(support::topLevels<DrawBoard>().first()));
}

QTEST_MAIN(TestWaylandKWin)
#include "tst_wayland_kwin.moc"
