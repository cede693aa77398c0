#include "platform/x11/X11HotKeys.h"
#include "app/Home.h"

#include <QProcess>
#include <QSignalSpy>
#include <QWidget>
#include <QtTest>

#include <X11/Xlib.h>
#include <X11/keysym.h>

// The system-wide grabs on a real X server: presses sent through XTEST with no window of ours
// focused, lock keys on, a combination held by another client, and release at the end.
class TestGlobalHotKeys : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void deliversEveryCombination();
    void worksWithLockKeysOn_data();
    void worksWithLockKeysOn();
    void partlyHeldCombinationIsSkippedQuietly();
    void releasedWhenThePanelIsDestroyed();
};

namespace {

QStringList warnings;

void collectWarnings(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        warnings << text;
}

void xdotool(const QStringList &arguments)
{
    QProcess::execute(QStringLiteral("xdotool"), arguments);
}

bool lockIsOn(const QString &name)
{
    QProcess xset;
    xset.start(QStringLiteral("xset"), {QStringLiteral("q")});
    xset.waitForFinished();
    const QString out = QString::fromLatin1(xset.readAllStandardOutput());
    return QRegularExpression(name + QStringLiteral(":\\s+on")).match(out).hasMatch();
}

// A second X client of our own, to hold keys against the program and to probe whether a key is
// free: a grab of a key someone else holds fails with BadAccess.
class OtherClient
{
public:
    OtherClient() : display(XOpenDisplay(nullptr)) {}
    ~OtherClient() { if (display) XCloseDisplay(display); }
    OtherClient(const OtherClient &) = delete;
    OtherClient &operator=(const OtherClient &) = delete;

    bool grab(KeySym keysym, unsigned int modifiers)
    {
        refused = false;
        XErrorHandler previous = XSetErrorHandler(&OtherClient::noteError);
        XGrabKey(display, XKeysymToKeycode(display, keysym), modifiers, DefaultRootWindow(display),
                 False, GrabModeAsync, GrabModeAsync);
        XSync(display, False);
        XSetErrorHandler(previous);
        return !refused;
    }

    bool grabInEveryLockState(KeySym keysym)
    {
        bool all = true;
        for (unsigned int locks : {0u, unsigned(LockMask), unsigned(Mod2Mask), unsigned(LockMask | Mod2Mask)})
            all = grab(keysym, ControlMask | Mod1Mask | locks) && all;
        return all;
    }

private:
    static int noteError(Display *, XErrorEvent *error)
    {
        if (error->error_code == BadAccess)
            refused = true;
        return 0;
    }

    static bool refused;
    Display *display;
};

bool OtherClient::refused = false;

} // namespace

void TestGlobalHotKeys::init()
{
    warnings.clear();
    qInstallMessageHandler(collectWarnings);
}

void TestGlobalHotKeys::cleanup()
{
    qInstallMessageHandler(nullptr);
    if (lockIsOn(QStringLiteral("Num Lock")))
        xdotool({QStringLiteral("key"), QStringLiteral("Num_Lock")});
    if (lockIsOn(QStringLiteral("Caps Lock")))
        xdotool({QStringLiteral("key"), QStringLiteral("Caps_Lock")});
}

void TestGlobalHotKeys::deliversEveryCombination()
{
    QWidget window;
    X11HotKeys hotKeys(&window);
    hotKeys.grabAll();
    QCOMPARE(hotKeys.heldIds(), (QVector<int>{1, 2, 3, 4}));
    QSignalSpy activated(&hotKeys, &X11HotKeys::activated);
    const QStringList combinations{"ctrl+alt+o", "ctrl+alt+f", "ctrl+alt+x", "ctrl+alt+s"};
    for (int i = 0; i < combinations.size(); ++i) {
        xdotool({QStringLiteral("key"), combinations[i]});
        QTRY_COMPARE(activated.size(), i + 1);
        QCOMPARE(activated.last().value(0).toInt(), i + 1);
    }
    // Other combinations are not ours.
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+y"), QStringLiteral("ctrl+x"),
             QStringLiteral("ctrl+shift+alt+x")});
    QTest::qWait(300);
    QCOMPARE(activated.size(), 4);
    QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join('\n')));
}

void TestGlobalHotKeys::worksWithLockKeysOn_data()
{
    QTest::addColumn<QStringList>("locks");
    QTest::newRow("NumLock") << QStringList{"Num Lock"};
    QTest::newRow("CapsLock") << QStringList{"Caps Lock"};
    QTest::newRow("both") << QStringList{"Num Lock", "Caps Lock"};
}

void TestGlobalHotKeys::worksWithLockKeysOn()
{
    QFETCH(QStringList, locks);
    for (const QString &lock : locks) {
        xdotool({QStringLiteral("key"), QString(lock).replace(' ', '_')});
        QTRY_VERIFY(lockIsOn(lock));
    }
    QWidget window;
    X11HotKeys hotKeys(&window);
    hotKeys.grabAll();
    QSignalSpy activated(&hotKeys, &X11HotKeys::activated);
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+x")});
    QTRY_COMPARE(activated.size(), 1);
    QCOMPARE(activated.last().value(0).toInt(), 3);
}

void TestGlobalHotKeys::partlyHeldCombinationIsSkippedQuietly()
{
    // Held by another client only with NumLock on (held in every lock state is checked end to
    // end): the grab of Ctrl+Alt+X as a whole fails, and the variants that did succeed are given
    // back.
    OtherClient holder;
    QVERIFY(holder.grab(XK_x, ControlMask | Mod1Mask | Mod2Mask));

    QWidget window;
    X11HotKeys hotKeys(&window);
    hotKeys.grabAll();
    QCOMPARE(hotKeys.heldIds(), (QVector<int>{1, 2, 4}));
    QSignalSpy activated(&hotKeys, &X11HotKeys::activated);
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+s")});
    QTRY_COMPARE(activated.size(), 1);
    QCOMPARE(activated.last().value(0).toInt(), 4);
    QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join('\n')));

    OtherClient prober;
    QVERIFY(prober.grab(XK_x, ControlMask | Mod1Mask));
    QVERIFY(prober.grab(XK_x, ControlMask | Mod1Mask | LockMask));
}

void TestGlobalHotKeys::releasedWhenThePanelIsDestroyed()
{
    {
        Home home;
        OtherClient early;
        QVERIFY(!early.grab(XK_o, ControlMask | Mod1Mask)); // the panel holds it now
    }
    OtherClient prober;
    for (KeySym keysym : {XK_o, XK_f, XK_x, XK_s})
        QVERIFY(prober.grabInEveryLockState(keysym));
}

QTEST_MAIN(TestGlobalHotKeys)
#include "tst_global_hotkeys.moc"
