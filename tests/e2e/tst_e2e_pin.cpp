#include "Desktop.h"

#include "TestSupport.h"

#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace e2e;

// Pins of the real program under a window manager: a file pinned from the command line shows its
// own pixels in a window the manager keeps above, the wheel zooms it, Ctrl+S saves it and Escape
// closes it; a pin
// with nothing to pin ends the command with status 1 and its reason, whichever process would
// have pinned it.
class PinTest : public QObject
{
    Q_OBJECT

private slots:
    void pinnedFileShowsItsPixelsAboveTheOthers();
    void nothingToPinEndsWithOne_data();
    void nothingToPinEndsWithOne();
};

namespace {

const QString pinTitle = QStringLiteral("^贴图$");
constexpr int frame = 1;

bool startedAndReady(Program &program)
{
    return program.isRunning() && !panelWindow(program.pid()).isEmpty()
           && waitUntil([] { return !trayIconWindow(programClass).isEmpty(); });
}

QRect pictureArea(const QString &window)
{
    return windowGeometry(window).adjusted(frame, frame, -frame, -frame);
}

} // namespace

void PinTest::pinnedFileShowsItsPixelsAboveTheOthers()
{
    QTemporaryDir dir;
    const QSize size(200, 120);
    const QImage picture = support::patternImage(size);
    const QString file = dir.filePath(QStringLiteral("pinned picture.png"));
    QVERIFY(picture.save(file));
    Program instance;
    QVERIFY(startedAndReady(instance));
    xdotool({QStringLiteral("mousemove"), QStringLiteral("300"), QStringLiteral("250")});

    const Finished command = runProgram({QStringLiteral("--pin"), file});
    QCOMPARE(command.status, 0);
    QVERIFY2(command.errors.isEmpty(), command.errors.constData());
    const QStringList pins = waitForWindows(pinTitle, instance.pid());
    QCOMPARE(pins.size(), 1);
    const QString pin = pins.first();
    QVERIFY(waitUntil([&] { return pictureArea(pin).size() == size; }));
    QCOMPARE(pictureArea(pin).topLeft(), QPoint(300, 250) + QPoint(frame, frame));
    QVERIFY(waitUntil([&] { return support::asRgb32(screenShot().copy(pictureArea(pin))) == support::asRgb32(picture); }));
    // Above through the window manager, which knows the window and keeps it above.
    QVERIFY2(windowProperty(pin, QStringLiteral("_NET_WM_STATE")).contains(QLatin1String("_NET_WM_STATE_ABOVE")),
             qPrintable(windowProperty(pin, QStringLiteral("_NET_WM_STATE"))));
    QVERIFY(run(QStringLiteral("xprop"), {QStringLiteral("-id"), pin, QStringLiteral("WM_STATE")}).contains("Normal"));

    // Its menu drawn over it and gone: the pin paints what the menu covered again.
    QVERIFY(openMenuOn(pin, QPoint(20, 20), instance.pid()));
    key(QStringLiteral("Escape"));
    QVERIFY(waitUntil([&] { return !menuIsOpen(instance.pid()); }));
    QVERIFY(waitUntil([&] { return support::asRgb32(screenShot().copy(pictureArea(pin))) == support::asRgb32(picture); }));

    // Three notches up, the pointer inside it: 130 %, the point under the pointer kept.
    const QRect before = pictureArea(pin);
    const QPoint pointer = before.topLeft() + QPoint(50, 30);
    xdotool({QStringLiteral("mousemove"), QString::number(pointer.x()), QString::number(pointer.y())});
    for (int i = 0; i < 3; ++i)
        xdotool({QStringLiteral("click"), QStringLiteral("4")});
    QVERIFY(waitUntil([&] { return pictureArea(pin).size() == QSize(260, 156); }));
    const QRect after = pictureArea(pin);
    QVERIFY(std::abs(after.left() + 50 * 1.3 - pointer.x()) <= 1);
    QVERIFY(std::abs(after.top() + 30 * 1.3 - pointer.y()) <= 1);
    // Enlarged pixel for pixel: the picture's pixel (20, 10) now covers (26, 13).
    QVERIFY(waitUntil([&] { return screenShot().pixel(after.topLeft() + QPoint(26, 13)) == picture.pixel(20, 10); }));

    // Ctrl+S: while its dialog is open the pin is an ordinary window, so that even a pin as large
    // as the screen leaves the dialog in sight; the file holds the picture at its own pixels.
    const QString saved = dir.filePath(QStringLiteral("saved.png"));
    QVERIFY(activate(pin));
    key(QStringLiteral("ctrl+s"));
    QVERIFY(!waitForWindows(QStringLiteral("^保存贴图$")).isEmpty());
    QVERIFY(!windowProperty(pin, QStringLiteral("_NET_WM_STATE")).contains(QLatin1String("_NET_WM_STATE_ABOVE")));
    QVERIFY(answerFileDialog(QStringLiteral("保存贴图"), saved));
    QVERIFY(waitUntil([&] { return support::asRgb32(QImage(saved)) == support::asRgb32(picture); }));
    QVERIFY(waitUntil([&] {
        return windowProperty(pin, QStringLiteral("_NET_WM_STATE")).contains(QLatin1String("_NET_WM_STATE_ABOVE"));
    }));

    QVERIFY(activate(pin));
    key(QStringLiteral("Escape"));
    QVERIFY(waitUntil([&] { return visibleWindows(pinTitle, instance.pid()).isEmpty(); }));
    QVERIFY(instance.isRunning());
    instance.terminate(SIGTERM);
    QVERIFY(endsWithZero(instance));
}

void PinTest::nothingToPinEndsWithOne_data()
{
    QTest::addColumn<bool>("instanceRuns");
    QTest::addColumn<QString>("source"); // "-": the clipboard, which holds an empty text
    QTest::addColumn<QByteArray>("said");
    QTest::newRow("missing file, handed over") << true << "/nowhere/missing.png" << QByteArray("/nowhere/missing.png");
    QTest::newRow("missing file, fresh start") << false << "/nowhere/missing.png" << QByteArray("/nowhere/missing.png");
    QTest::newRow("clipboard without a picture, handed over") << true << "-" << QByteArray("clipboard");
}

void PinTest::nothingToPinEndsWithOne()
{
    QFETCH(bool, instanceRuns);
    QFETCH(QString, source);
    QFETCH(QByteArray, said);
    QVERIFY(clearClipboard());
    std::unique_ptr<Program> instance;
    if (instanceRuns) {
        instance = std::make_unique<Program>();
        QVERIFY(startedAndReady(*instance));
    }

    const Finished command = runProgram({QStringLiteral("--pin"), source});
    QCOMPARE(command.status, 1);
    QCOMPARE(command.errors.count('\n'), 1);
    QVERIFY2(command.errors.contains(said), command.errors.constData());
    QVERIFY(visibleWindows(pinTitle).isEmpty());
    if (instanceRuns) {
        // The running instance carries on, without a message nobody asked for.
        QVERIFY(instance->isRunning());
        QVERIFY(waitForMessage(instance->pid(), 500).isEmpty());
        instance->terminate(SIGTERM);
        QVERIFY(endsWithZero(*instance));
    } else {
        // No instance was left running by the refused start.
        QVERIFY(trayIconWindow(programClass).isEmpty());
        QVERIFY(visibleWindowsOfClass(programClass).isEmpty());
    }
}

QTEST_MAIN(PinTest)
#include "tst_e2e_pin.moc"
