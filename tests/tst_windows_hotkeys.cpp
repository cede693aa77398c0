#include "app/Home.h"
#include "board/DrawBoard.h"
#include "platform/GlobalHotKeys.h"

#include "TestSupport.h"

#include <QtTest>

#include <windows.h>

// The hot keys of a Windows build on the real Windows platform: RegisterHotKey on the panel's
// native window, the WM_HOTKEY message reaching its action, the keys following the panel to a new
// native window when the window system closes it (Alt+F4), and their release at the end.
class TestWindowsHotKeys : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void heldWhileThePanelLivesAndFreedAfter();
    void postedHotKeyRunsItsAction();
    void keysFollowThePanelClosedByTheWindowSystem();
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

QTEST_MAIN(TestWindowsHotKeys)
#include "tst_windows_hotkeys.moc"
