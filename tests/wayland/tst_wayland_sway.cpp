#include "capture/ClipboardPicture.h"
#include "platform/wayland/DataControlSelection.h"
#include "platform/wayland/FocusedSelection.h"
#include "platform/wayland/GrimDesktopGrabber.h"
#include "platform/wayland/PortalDesktopGrabber.h"
#include "platform/wayland/PortalHotKeys.h"
#include "platform/wayland/ScreencopyDesktopGrabber.h"
#include "platform/WindowList.h"
#include "PrivateBus.h"
#include "SwaySupport.h"
#include "TestSupport.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QWidget>
#include <QtTest>

#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// The Wayland back ends in a headless sway session with the wlr Screenshot portal, a window of
// known pixels covering the output: the session grabs through screencopy, and its picture, like
// the portal's that stands in for it, is grim's; grim stands in where no portal runs; and the
// hot keys, for which sway offers no portal, are left alone with one line. A paste to a reader
// that stops reading ends by its deadline, on a thread of its own. The window list is sway's
// layout: frames with sway's title bars, floating windows above tiled ones, our own left out.
class TestWaylandSway : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void screencopyPictureEqualsGrims();
    void screencopyOfATurnedOutputEqualsGrims_data();
    void screencopyOfATurnedOutputEqualsGrims();
    void portalPictureEqualsGrims();
    void grimStandsInWithoutPortal();
    void holdsNoHotKeysAndSaysSoOnce();
    void pasteToAReaderThatStopsEndsByItsDeadline();
    void listsWindowsAsSwayPlacedThem();
    // Last: it leaves a rule in sway and hides the pattern window.
    void clipboardThatGetsNoFocusSaysSo();

private:
    std::unique_ptr<QWidget> patternWindow;
    QImage pattern;
};

namespace {

std::optional<DesktopPicture> grabWith(DesktopGrabber &grabber)
{
    std::optional<DesktopPicture> result;
    QObject context;
    grabber.grab(&context, [&result](const DesktopPicture &picture) { result = picture; });
    if (!QTest::qWaitFor([&result] { return result.has_value(); }, 30000))
        return std::nullopt;
    return result;
}

QStringList infoLines;

void collectInfo(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtInfoMsg)
        infoLines << text;
}

} // namespace

void TestWaylandSway::initTestCase()
{
    QVERIFY2(QGuiApplication::platformName().startsWith(QLatin1String("wayland")),
             qPrintable(QGuiApplication::platformName()));
    // sway gives the only window the whole output, without a border.
    patternWindow = std::make_unique<sway::PatternWindow>();
    patternWindow->show();
    QVERIFY(QTest::qWaitForWindowExposed(patternWindow.get()));
    pattern = support::patternImage(QGuiApplication::primaryScreen()->size());
    QTRY_VERIFY_WITH_TIMEOUT(sway::grimPicture() == pattern, 10000);
}

namespace {

void verifyPictureOfTheOutput(const std::optional<DesktopPicture> &picture)
{
    QVERIFY2(picture.has_value(), "the grab never answered");
    QVERIFY2(picture->isValid(), qPrintable(picture->detail));
    QCOMPARE(support::asRgb32(picture->image), sway::grimPicture());
    // The one output is all of the picture, for the region overlay.
    QCOMPARE(picture->screens.size(), 1);
    QCOMPARE(picture->screens.first().screen.data(), QGuiApplication::primaryScreen());
    QCOMPARE(picture->screens.first().area, picture->image.rect());
}

} // namespace

void TestWaylandSway::screencopyPictureEqualsGrims()
{
    const std::unique_ptr<DesktopGrabber> grabber = DesktopGrabber::forThisSession();
    QVERIFY(dynamic_cast<ScreencopyDesktopGrabber *>(grabber.get()));
    verifyPictureOfTheOutput(grabWith(*grabber));
}

void TestWaylandSway::screencopyOfATurnedOutputEqualsGrims_data()
{
    QTest::addColumn<QString>("transform");
    QTest::newRow("90") << QStringLiteral("90");
    QTest::newRow("flipped-270") << QStringLiteral("flipped-270");
}

void TestWaylandSway::screencopyOfATurnedOutputEqualsGrims()
{
    QFETCH(QString, transform);
    auto turn = [](const QString &to) {
        return QProcess::execute(QStringLiteral("swaymsg"), {QStringLiteral("output HEADLESS-1 transform ") + to});
    };
    QCOMPARE(turn(transform), 0);
    // The grabber reads each output's transform when it connects.
    const std::unique_ptr<DesktopGrabber> grabber = ScreencopyDesktopGrabber::connect(nullptr);
    QVERIFY(grabber);
    // Once the window has settled in its new shape, both see the same.
    auto same = [&grabber] {
        const QImage reference = sway::grimPicture();
        const std::optional<DesktopPicture> picture = grabWith(*grabber);
        return !reference.isNull() && reference.width() < reference.height() && picture && picture->isValid()
               && support::asRgb32(picture->image) == reference;
    };
    const bool equal = QTest::qWaitFor(same, 15000);
    QCOMPARE(turn(QStringLiteral("normal")), 0);
    // The output as the other cases expect it.
    QTRY_VERIFY_WITH_TIMEOUT(sway::grimPicture() == pattern, 10000);
    QVERIFY(equal);
}

void TestWaylandSway::portalPictureEqualsGrims()
{
    PortalDesktopGrabber grabber;
    verifyPictureOfTheOutput(grabWith(grabber));
}

void TestWaylandSway::grimStandsInWithoutPortal()
{
    PrivateBus noPortals;
    QVERIFY(noPortals.isUp());
    PortalDesktopGrabber grabber(std::make_shared<GrimDesktopGrabber>(), noPortals.connect(QStringLiteral("bare")));
    const std::optional<DesktopPicture> picture = grabWith(grabber);
    QVERIFY2(picture.has_value(), "the grab never answered");
    QVERIFY2(picture->isValid(), qPrintable(picture->failure));
    QCOMPARE(support::asRgb32(picture->image), pattern);
}

void TestWaylandSway::holdsNoHotKeysAndSaysSoOnce()
{
    QWidget window;
    auto *hotKeys = qobject_cast<PortalHotKeys *>(GlobalHotKeys::create(&window));
    QVERIFY(hotKeys);
    QSignalSpy settled(hotKeys, &PortalHotKeys::bindingSettled);
    infoLines.clear();
    QtMessageHandler previous = qInstallMessageHandler(collectInfo);
    hotKeys->grabAll();
    QTRY_COMPARE_WITH_TIMEOUT(settled.count(), 1, 15000);
    hotKeys->grabAll();
    QTRY_COMPARE_WITH_TIMEOUT(settled.count(), 2, 15000);
    qInstallMessageHandler(previous);

    QVERIFY(hotKeys->heldIds().isEmpty());
    QCOMPARE(infoLines.size(), 1);
    QVERIFY2(infoLines.first().contains(QLatin1String("tavo-screenshot --full")), qPrintable(infoLines.first()));
}

void TestWaylandSway::pasteToAReaderThatStopsEndsByItsDeadline()
{
    DataControlSelection *selection = DataControlSelection::instance();
    QVERIFY(selection);
    const QString type = QStringLiteral("application/x-tavo-test");
    const QByteArray bytes(16 << 20, 'x');
    selection->setPasteDeadline(1000);
    QVERIFY(selection->offer(type, [bytes] { return bytes; }, {}));

    // wl-paste copies the paste into a FIFO that is held open but never read: once the FIFO is
    // full, it stops reading the paste.
    QTemporaryDir dir;
    const QByteArray fifo = QFile::encodeName(dir.filePath(QStringLiteral("stuck")));
    QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
    const int heldOpen = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK);
    QVERIFY(heldOpen >= 0);
    QProcess reader;
    reader.setStandardOutputFile(QFile::decodeName(fifo));
    reader.start(QStringLiteral("wl-paste"), {QStringLiteral("-t"), type});

    QTRY_COMPARE_WITH_TIMEOUT(busyPasteWriters(), 1, 5000);
    // The shared pool, which loads pictures, is not held meanwhile.
    QCOMPARE(QThreadPool::globalInstance()->activeThreadCount(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(busyPasteWriters(), 0, 5000);
    reader.kill();
    reader.waitForFinished();
    ::close(heldOpen);
    selection->setPasteDeadline(defaultPasteDeadlineMs);
}


namespace {

bool swaymsg(const QString &command)
{
    return QProcess::execute(QStringLiteral("swaymsg"), {command}) == 0;
}

} // namespace

void TestWaylandSway::listsWindowsAsSwayPlacedThem()
{
    const std::unique_ptr<WindowList> list = WindowList::forThisSession();
    QVERIFY(list);
    const QRect output = QGuiApplication::primaryScreen()->geometry();
    // Only our own window on this workspace: it has the focus, and is never listed.
    QVERIFY(list->windows().isEmpty());
    const std::optional<WindowFrame> ours = list->activeWindow();
    QVERIFY(ours);
    QCOMPARE(ours->area, output);

    QVERIFY(swaymsg(QStringLiteral("workspace 7")));
    QProcess tiled;
    QProcess floating;
    tiled.start(QStringLiteral("foot"), {QStringLiteral("-a"), QStringLiteral("tavo-tiled"), QStringLiteral("-T"),
                                         QStringLiteral("tiled"), QStringLiteral("sleep"), QStringLiteral("60")});
    floating.start(QStringLiteral("foot"), {QStringLiteral("-a"), QStringLiteral("tavo-floating"), QStringLiteral("-T"),
                                            QStringLiteral("floating"), QStringLiteral("sleep"), QStringLiteral("60")});
    auto titles = [&] {
        QStringList names;
        for (const WindowFrame &frame : list->windows())
            names.append(frame.title);
        return names;
    };
    TAVO_WAIT_FOR(titles().size() == 2, 20000, "two foot windows");
    // A title bar 4 px borders, and a floating window whose outer corner and size sway is told.
    QVERIFY(swaymsg(QStringLiteral("[app_id=tavo-tiled] border normal 4")));
    QVERIFY(swaymsg(QStringLiteral("[app_id=tavo-floating] floating enable, border normal 3, "
                                   "resize set 400 300, move position 100 100")));
    QVERIFY(swaymsg(QStringLiteral("[app_id=tavo-tiled] focus")));
    const QVector<WindowFrame> expected = {{QRect(100, 100, 400, 300), QStringLiteral("floating")},
                                           {output, QStringLiteral("tiled")}};
    auto same = [&](const QVector<WindowFrame> &frames) {
        return frames.size() == 2 && frames[0].area == expected[0].area && frames[0].title == expected[0].title
            && frames[1].area == expected[1].area && frames[1].title == expected[1].title;
    };
    QVector<WindowFrame> frames;
    const bool placed = QTest::qWaitFor([&] { return same(frames = list->windows()); }, 5000);
    const std::optional<WindowFrame> active = list->activeWindow();

    swaymsg(QStringLiteral("workspace 1"));
    tiled.kill();
    floating.kill();
    tiled.waitForFinished();
    floating.waitForFinished();
    for (const WindowFrame &frame : frames)
        qInfo() << frame.title << frame.area;
    QVERIFY(placed);
    QVERIFY(active);
    QCOMPARE(active->title, QStringLiteral("tiled"));
    QCOMPARE(active->area, output);
}

void TestWaylandSway::clipboardThatGetsNoFocusSaysSo()
{
    // GNOME's way to the clipboard (a window of one pixel takes the focus for a moment), named by
    // hand; sway's rule keeps the focus from that window, as mutter's focus-stealing prevention
    // does.
    qputenv("TAVO_CLIPBOARD", "focused");
    QCOMPARE(QProcess::execute(QStringLiteral("swaymsg"), {QStringLiteral("no_focus [title=\"^TAVO截图$\"]")}), 0);
    const QImage picture = support::patternImage(QSize(32, 24));
    QObject context;
    QStringList failures;
    auto failed = [&failures](const QString &why) { failures << why; };

    // A window of the program has the focus by the time the offer is refused: the toolkit's
    // clipboard takes the picture instead, without a word.
    patternWindow->activateWindow();
    QTRY_VERIFY(QGuiApplication::focusWindow());
    QVERIFY(!QGuiApplication::clipboard()->ownsClipboard());
    offerOnClipboard(picture, &context, failed);
    QTRY_VERIFY_WITH_TIMEOUT(QGuiApplication::clipboard()->ownsClipboard(), 5000);
    QVERIFY(failures.isEmpty());

    // None has: the capture hears why.
    patternWindow->hide();
    QTRY_VERIFY(!QGuiApplication::focusWindow());
    offerOnClipboard(picture, &context, failed);
    QTest::qWait(FocusedSelection::focusPatienceMs / 2);
    QVERIFY(failures.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(failures.size(), 1, 5000);
    QVERIFY2(failures.first().contains(QStringLiteral("焦点")), qPrintable(failures.first()));
    QTest::qWait(200);
    QCOMPARE(failures.size(), 1);
}

QTEST_MAIN(TestWaylandSway)
#include "tst_wayland_sway.moc"
