#include "platform/HotKeyTable.h"
#include "platform/wayland/PortalHotKeys.h"

#include <QGuiApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QWidget>
#include <QtTest>

#include <algorithm>

// The hot keys through the GlobalShortcuts portal in a headless KWin session with the KDE
// portal: all four bound, and a press injected through KWin's fake input arrives as the table's id.
class TestWaylandKWin : public QObject
{
    Q_OBJECT

private slots:
    void bindsTheFourKeysAndDeliversCtrlAltO();
};

void TestWaylandKWin::bindsTheFourKeysAndDeliversCtrlAltO()
{
    QVERIFY2(QGuiApplication::platformName().startsWith(QLatin1String("wayland")),
             qPrintable(QGuiApplication::platformName()));
    QWidget window;
    GlobalHotKeys *hotKeys = GlobalHotKeys::create(&window);
    auto *portalHotKeys = qobject_cast<PortalHotKeys *>(hotKeys);
    QVERIFY(portalHotKeys);
    QSignalSpy settled(portalHotKeys, &PortalHotKeys::bindingSettled);
    QSignalSpy activated(hotKeys, &GlobalHotKeys::activated);
    hotKeys->grabAll();
    QTRY_COMPARE_WITH_TIMEOUT(settled.count(), 1, 30000);

    QVector<int> held = hotKeys->heldIds();
    std::sort(held.begin(), held.end());
    QVector<int> table;
    for (const HotKey &hotKey : hotKeyTable())
        table << hotKey.id;
    std::sort(table.begin(), table.end());
    QCOMPARE(held, table);

    QCOMPARE(QProcess::execute(QStringLiteral("kwin-keys"),
                               {QStringLiteral("ctrl"), QStringLiteral("alt"), QStringLiteral("o")}),
             0);
    QTRY_COMPARE_WITH_TIMEOUT(activated.count(), 1, 10000);
    QCOMPARE(hotKeyActionForId(activated.first().first().toInt()), HotKeyAction::OpenDrawBoard);
}

QTEST_MAIN(TestWaylandKWin)
#include "tst_wayland_kwin.moc"
