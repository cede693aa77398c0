#include "app/Home.h"
#include "board/DrawBoard.h"
#include "platform/GlobalHotKeys.h"
#include "platform/windows/WindowsEndKeys.h"

#include "TestSupport.h"

#include <QSignalSpy>
#include <QtTest>

#include <memory>

#include <windows.h>

// The hot keys of a Windows build on the real Windows platform: RegisterHotKey on the panel's
// native window, the WM_HOTKEY message reaching its action, the keys following the panel to a new
// native window when the window system closes it (Alt+F4), and their release at the end; Enter and
// Esc held while a long screenshot runs.
class TestWindowsHotKeys : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void heldWhileThePanelLivesAndFreedAfter();
    void postedHotKeyRunsItsAction();
    void keysFollowThePanelClosedByTheWindowSystem();
    void endKeysHeldWhileTheyLive();
};

namespace {

constexpr UINT ctrlAlt = MOD_CONTROL | MOD_ALT;
constexpr int probeId = 0xBFFF; // the highest id an application may use

// Whether nobody holds Ctrl+Alt+letter: registering it for ourselves then succeeds.
bool isFree(char letter)
{
    if (!RegisterHotKey(nullptr, probeId, ctrlAlt, UINT(letter)))
        return false;
    UnregisterHotKey(nullptr, probeId);
    return true;
}

// Whether nobody holds `key` without modifiers.
bool isFreeKey(UINT key)
{
    if (!RegisterHotKey(nullptr, probeId, 0, key))
        return false;
    UnregisterHotKey(nullptr, probeId);
    return true;
}

bool allHeld()
{
    return !isFree('O') && !isFree('F') && !isFree('X') && !isFree('S');
}

void postHotKey(const Home &home, int id)
{
    PostMessageW(reinterpret_cast<HWND>(home.internalWinId()), WM_HOTKEY, WPARAM(id),
                 MAKELPARAM(ctrlAlt, 'O'));
}

int boards()
{
    return support::topLevels<DrawBoard>().size();
}

} // namespace

void TestWindowsHotKeys::cleanup()
{
    qDeleteAll(support::topLevels<DrawBoard>());
}

void TestWindowsHotKeys::heldWhileThePanelLivesAndFreedAfter()
{
    QVERIFY(isFree('O'));
    {
        Home home;
        home.show();
        QVERIFY(QTest::qWaitForWindowExposed(&home));
        QCOMPARE(home.findChild<GlobalHotKeys *>()->heldIds(), (QVector<int>{1, 2, 3, 4}));
        QTRY_VERIFY(allHeld());
    }
    QVERIFY(isFree('O') && isFree('F') && isFree('X') && isFree('S'));
}

void TestWindowsHotKeys::postedHotKeyRunsItsAction()
{
    Home home;
    home.show();
    QVERIFY(QTest::qWaitForWindowExposed(&home));
    postHotKey(home, 1);
    QTRY_COMPARE(boards(), 1);
    // An id outside the table changes nothing.
    postHotKey(home, 9);
    QTest::qWait(200);
    QCOMPARE(boards(), 1);
}

void TestWindowsHotKeys::keysFollowThePanelClosedByTheWindowSystem()
{
    Home home;
    home.show();
    QVERIFY(QTest::qWaitForWindowExposed(&home));
    QTRY_VERIFY(allHeld());

    // What Alt+F4 sends: Qt closes the panel and destroys its native window with the keys on it.
    PostMessageW(reinterpret_cast<HWND>(home.internalWinId()), WM_CLOSE, 0, 0);
    QTRY_VERIFY(!home.isVisible());
    QTRY_VERIFY(home.internalWinId() != 0);
    QTRY_VERIFY(allHeld());
    postHotKey(home, 1);
    QTRY_COMPARE(boards(), 1);

    home.show();
    QVERIFY(QTest::qWaitForWindowExposed(&home));
    QTRY_VERIFY(allHeld());
    postHotKey(home, 1);
    QTRY_COMPARE(boards(), 2);
}

void TestWindowsHotKeys::endKeysHeldWhileTheyLive()
{
    QVERIFY(isFreeKey(VK_RETURN) && isFreeKey(VK_ESCAPE));
    {
        // As a running long screenshot holds them: Windows posts the keys to the thread.
        const std::unique_ptr<EndKeys> keys(EndKeys::create(nullptr));
        QVERIFY(!isFreeKey(VK_RETURN) && !isFreeKey(VK_ESCAPE));
        QSignalSpy enter(keys.get(), &EndKeys::enterPressed);
        QSignalSpy escape(keys.get(), &EndKeys::escapePressed);
        PostThreadMessageW(GetCurrentThreadId(), WM_HOTKEY, WPARAM(WindowsEndKeys::enterId), MAKELPARAM(0, VK_RETURN));
        QTRY_COMPARE(enter.count(), 1);
        PostThreadMessageW(GetCurrentThreadId(), WM_HOTKEY, WPARAM(WindowsEndKeys::escapeId), MAKELPARAM(0, VK_ESCAPE));
        QTRY_COMPARE(escape.count(), 1);
        QCOMPARE(enter.count(), 1);
    }
    QVERIFY(isFreeKey(VK_RETURN) && isFreeKey(VK_ESCAPE));
}

QTEST_MAIN(TestWindowsHotKeys)
#include "tst_windows_hotkeys.moc"
