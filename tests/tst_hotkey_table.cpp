#include "platform/HotKeyTable.h"
#include "platform/PlatformChoice.h"

#include <QByteArray>
#include <QtTest>

// The Windows message mapping, the lock-modifier variants and the choice of X11 under Wayland:
// plain functions the platform layers rely on, tested here without a window system. (Which key
// starts which action is checked on a real X server and end to end.)
class TestHotKeyTable : public QObject
{
    Q_OBJECT

private slots:
    void windowsMessageGivesId_data();
    void windowsMessageGivesId();
    void lockModifierVariants_data();
    void lockModifierVariants();
    void waylandDisplayRunsNatively_data();
    void waylandDisplayRunsNatively();
};

void TestHotKeyTable::windowsMessageGivesId_data()
{
    QTest::addColumn<QByteArray>("eventType");
    QTest::addColumn<uint>("message");
    QTest::addColumn<qulonglong>("wParam");
    QTest::addColumn<int>("id");
    QTest::newRow("generic, id 1") << QByteArray("windows_generic_MSG") << 0x0312u << 1ull << 1;
    QTest::newRow("generic, id 4") << QByteArray("windows_generic_MSG") << 0x0312u << 4ull << 4;
    QTest::newRow("dispatcher, id 3") << QByteArray("windows_dispatcher_MSG") << 0x0312u << 3ull << 3;
    QTest::newRow("id 0") << QByteArray("windows_generic_MSG") << 0x0312u << 0ull << 0;
    QTest::newRow("id 5") << QByteArray("windows_generic_MSG") << 0x0312u << 5ull << 0;
    QTest::newRow("wide id with low bits 2") << QByteArray("windows_generic_MSG") << 0x0312u
                                             << 0x100000002ull << 0;
    QTest::newRow("other message") << QByteArray("windows_generic_MSG") << 0x0100u << 3ull << 0;
    QTest::newRow("xcb event") << QByteArray("xcb_generic_event_t") << 0x0312u << 3ull << 0;
    QTest::newRow("empty type") << QByteArray() << 0x0312u << 2ull << 0;
}

void TestHotKeyTable::windowsMessageGivesId()
{
    QFETCH(QByteArray, eventType);
    QFETCH(uint, message);
    QFETCH(qulonglong, wParam);
    QFETCH(int, id);
    QCOMPARE(windowsHotKeyId(eventType, message, wParam), id);
}

void TestHotKeyTable::lockModifierVariants_data()
{
    QTest::addColumn<uint>("numLock");
    QTest::addColumn<QVector<uint>>("variants");
    constexpr uint ctrlAlt = 0x4 | 0x8;
    constexpr uint lock = 0x2;
    QTest::newRow("NumLock on Mod2") << 0x10u << QVector<uint>{ctrlAlt, ctrlAlt | lock, ctrlAlt | 0x10, ctrlAlt | lock | 0x10};
    QTest::newRow("NumLock on Mod4") << 0x40u << QVector<uint>{ctrlAlt, ctrlAlt | lock, ctrlAlt | 0x40, ctrlAlt | lock | 0x40};
    QTest::newRow("no NumLock") << 0u << QVector<uint>{ctrlAlt, ctrlAlt | lock};
}

void TestHotKeyTable::lockModifierVariants()
{
    QFETCH(uint, numLock);
    QFETCH(QVector<uint>, variants);
    const std::vector<unsigned int> got = withLockModifiers(0x4 | 0x8, 0x2, numLock);
    QCOMPARE(QVector<uint>(got.begin(), got.end()), variants);
}

void TestHotKeyTable::waylandDisplayRunsNatively_data()
{
    QTest::addColumn<QByteArray>("sessionType");
    QTest::addColumn<QByteArray>("waylandDisplay");
    QTest::addColumn<QByteArray>("x11Display");
    QTest::addColumn<QByteArray>("platformBefore");
    QTest::addColumn<QByteArray>("platformAfter");
    const QByteArray none;
    const QByteArray wayland("wayland;xcb");
    QTest::newRow("wayland display") << QByteArray("wayland") << QByteArray("wayland-0") << QByteArray(":0") << none
                                     << wayland;
    QTest::newRow("wayland display without xwayland") << none << QByteArray("wayland-0") << none << none << wayland;
    QTest::newRow("wayland session type alone") << QByteArray("wayland") << none << QByteArray(":0") << none << none;
    QTest::newRow("x11 session") << QByteArray("x11") << none << QByteArray(":0") << none << none;
    QTest::newRow("user chose xcb") << QByteArray("wayland") << QByteArray("wayland-0") << QByteArray(":0")
                                    << QByteArray("xcb") << QByteArray("xcb");
    QTest::newRow("user chose offscreen") << QByteArray("wayland") << QByteArray("wayland-0") << QByteArray(":0")
                                          << QByteArray("offscreen") << QByteArray("offscreen");
}

void TestHotKeyTable::waylandDisplayRunsNatively()
{
    QFETCH(QByteArray, sessionType);
    QFETCH(QByteArray, waylandDisplay);
    QFETCH(QByteArray, x11Display);
    QFETCH(QByteArray, platformBefore);
    QFETCH(QByteArray, platformAfter);
#ifdef Q_OS_WIN
    platformAfter = platformBefore; // a Windows build keeps its platform whatever the desktop is
#endif
    const QByteArray saved[4] = {qgetenv("XDG_SESSION_TYPE"), qgetenv("WAYLAND_DISPLAY"), qgetenv("QT_QPA_PLATFORM"),
                                 qgetenv("DISPLAY")};
    auto setOrUnset = [](const char *name, const QByteArray &value) {
        if (value.isEmpty())
            qunsetenv(name);
        else
            qputenv(name, value);
    };
    setOrUnset("XDG_SESSION_TYPE", sessionType);
    setOrUnset("WAYLAND_DISPLAY", waylandDisplay);
    setOrUnset("QT_QPA_PLATFORM", platformBefore);
    setOrUnset("DISPLAY", x11Display);

    runNativelyOnWayland();
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");

    setOrUnset("XDG_SESSION_TYPE", saved[0]);
    setOrUnset("WAYLAND_DISPLAY", saved[1]);
    setOrUnset("QT_QPA_PLATFORM", saved[2]);
    setOrUnset("DISPLAY", saved[3]);
    QCOMPARE(platform, platformAfter);
}

QTEST_GUILESS_MAIN(TestHotKeyTable)
#include "tst_hotkey_table.moc"
