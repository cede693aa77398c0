#include "Desktop.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// The full-screen capture from outside the program: Ctrl+Alt+X with another program focused puts
// the whole screen on the clipboard while the panel is away, the panel comes back after about
// 1.4 s (also when it was hidden before the capture), and Ctrl+Alt+S writes the capture through
// the save dialog, which no later key or request covers while it is open.
class TestE2eCapture : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void captureFillsClipboardAndBringsPanelBack_data();
    void captureFillsClipboardAndBringsPanelBack();
    void panelIsNeverInTheCapture();
    void savesCaptureThroughDialog_data();
    void savesCaptureThroughDialog();
    void failedSaveSaysWhichFileAndWhy();
    void openDialogComesForwardInsteadOfNewWindows();
    void toolkitDialogsSpeakChinese();

private:
    const QSize screen{1920, 1080};
    std::unique_ptr<e2e::Program> program;
    QString panel;
    QTemporaryDir dir;
};

namespace {

// Points away from the panel, the foreign window, the tray and its menu, where the pattern shows.
const QVector<QPoint> probes{{1000, 500}, {1700, 300}, {50, 900}, {1300, 1000}};

enum class Hidden { No, ByTrayClick, ByHideEntry };

} // namespace

Q_DECLARE_METATYPE(Hidden)

void TestE2eCapture::initTestCase()
{
    QVERIFY(e2e::showPatternOnRoot(screen));
    // A system that speaks English (the C locale, with the UTF-8 that window titles need): the
    // program's own texts and the toolkit's are Chinese anyway.
    QProcessEnvironment english = QProcessEnvironment::systemEnvironment();
    english.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    english.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    english.remove(QStringLiteral("LANGUAGE"));
    program = std::make_unique<e2e::Program>(QStringList(), QString(), english);
    panel = e2e::panelWindow(program->pid());
    QVERIFY(!panel.isEmpty());
    QVERIFY(e2e::waitUntil([] { return !e2e::trayIconWindow(e2e::programClass).isEmpty(); }));
}

void TestE2eCapture::captureFillsClipboardAndBringsPanelBack_data()
{
    QTest::addColumn<Hidden>("hidden");
    QTest::newRow("panel shown") << Hidden::No;
    QTest::newRow("hidden by a click on the tray icon") << Hidden::ByTrayClick;
    QTest::newRow("hidden by the tray menu's hide entry") << Hidden::ByHideEntry;
}

void TestE2eCapture::captureFillsClipboardAndBringsPanelBack()
{
    QFETCH(Hidden, hidden);
    QVERIFY(e2e::isViewable(panel));
    const QString tray = e2e::trayIconWindow(e2e::programClass);
    if (hidden == Hidden::ByTrayClick) {
        e2e::clickOnWindow(tray, QPoint(5, 5));
    } else if (hidden == Hidden::ByHideEntry) {
        QVERIFY(e2e::openMenuOn(tray, QPoint(17, 17), program->pid()));
        e2e::chooseMenuEntry(1); // "隐藏图标"
    }
    if (hidden != Hidden::No)
        QVERIFY(e2e::waitUntil([&] { return !e2e::isViewable(panel); }));
    QVERIFY(e2e::clearClipboard());
    e2e::ForeignWindow foreign;
    QVERIFY(foreign.activate());

    QElapsedTimer clock;
    clock.start();
    e2e::key(QStringLiteral("ctrl+alt+x"));
    QVERIFY(e2e::waitUntil([&] { return !e2e::isViewable(panel); }));
    QVERIFY(e2e::waitForClipboardImage());
    // The panel is still away when the picture is already offered.
    QVERIFY(!e2e::isViewable(panel));

    const QImage picture = e2e::clipboardImage();
    QCOMPARE(picture.size(), screen);
    for (const QPoint &p : probes)
        QCOMPARE(picture.pixel(p), support::patternPixel(p.x(), p.y()));

    QVERIFY(e2e::waitUntil([&] { return e2e::isViewable(panel); }, 10000));
    const qint64 back = clock.elapsed();
    QVERIFY2(back >= 1200 && back <= 3000, qPrintable(QStringLiteral("panel back after %1 ms").arg(back)));
}

void TestE2eCapture::panelIsNeverInTheCapture()
{
    // Ten captures in a row, each from the shown panel: its place shows the desktop every time.
    e2e::ForeignWindow foreign;
    QVERIFY(foreign.activate());
    const QRect panelArea = e2e::windowGeometry(panel);
    for (int i = 0; i < 10; ++i) {
        QVERIFY(e2e::waitUntil([&] { return e2e::isViewable(panel); }));
        QVERIFY(e2e::clearClipboard());
        e2e::key(QStringLiteral("ctrl+alt+x"));
        QVERIFY(e2e::waitForClipboardImage());
        const QImage picture = e2e::clipboardImage();
        QCOMPARE(picture.size(), screen);
        const QString difference = support::differenceFromPattern(picture.copy(panelArea), panelArea.topLeft());
        QVERIFY2(difference.isEmpty(), qPrintable(QStringLiteral("capture %1: %2").arg(i + 1).arg(difference)));
    }
}

void TestE2eCapture::savesCaptureThroughDialog_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("magic");
    QTest::newRow("png") << "capture.png" << "capture.png" << support::pngMagic;
    QTest::newRow("jpg") << "capture.jpg" << "capture.jpg" << support::jpegMagic;
    QTest::newRow("no suffix: png") << "bare" << "bare.png" << support::pngMagic;
}

void TestE2eCapture::savesCaptureThroughDialog()
{
    QFETCH(QString, typed);
    QFETCH(QString, name);
    QFETCH(QByteArray, magic);
    e2e::ForeignWindow foreign;
    QVERIFY(foreign.activate());
    const QString path = dir.filePath(name);

    e2e::key(QStringLiteral("ctrl+alt+s"));
    QVERIFY(e2e::answerFileDialog(QStringLiteral("保存截图"), dir.filePath(typed)));
    QVERIFY(e2e::waitUntil([&] { return support::fileBytes(path).startsWith(magic); }));
    const QImage saved(path);
    QCOMPARE(saved.size(), screen);
    if (name.endsWith(QLatin1String(".png"))) {
        for (const QPoint &p : probes)
            QCOMPARE(saved.pixel(p), support::patternPixel(p.x(), p.y()));
    }
    // Nothing but finished pictures beside it: no temporary file of the write is left.
    for (const QString &entry : QDir(dir.path()).entryList(QDir::Files | QDir::Hidden))
        QVERIFY2(entry.endsWith(QLatin1String(".png")) || entry.endsWith(QLatin1String(".jpg")), qPrintable(entry));
}

void TestE2eCapture::failedSaveSaysWhichFileAndWhy()
{
    e2e::ForeignWindow foreign;
    QVERIFY(foreign.activate());
    const QString path = dir.filePath(QStringLiteral("no-such-folder/capture.png"));

    e2e::key(QStringLiteral("ctrl+alt+s"));
    QVERIFY(e2e::answerFileDialog(QStringLiteral("保存截图"), path));
    const QString message = e2e::waitForMessage(program->pid());
    QVERIFY(!message.isEmpty());
    const QString text = e2e::messageText(message);
    QVERIFY2(text.contains(path), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("文件夹不存在")), qPrintable(text)); // not the system's English
    e2e::key(QStringLiteral("Return"));
    QVERIFY(e2e::waitUntil([&] { return !e2e::isViewable(message); }));
    QVERIFY(!QFile::exists(path));
}

void TestE2eCapture::openDialogComesForwardInsteadOfNewWindows()
{
    e2e::ForeignWindow foreign;
    QVERIFY(foreign.activate());
    e2e::key(QStringLiteral("ctrl+alt+s"));
    const QStringList dialogs = e2e::waitForWindows(QStringLiteral("^保存截图$"), program->pid());
    QCOMPARE(dialogs.size(), 1);
    const QString dialog = dialogs.first();
    const int windows = e2e::visibleWindowsOfProcess(program->pid()).size();
    auto dialogIsActive = [&] { return e2e::xdotool({QStringLiteral("getactivewindow")}) == dialog; };

    // Each comes while another program has the focus, so only through the system-wide keys or
    // the instance's channel; each must bring the dialog forward and open nothing over it.
    const QStringList keys{QStringLiteral("ctrl+alt+s"), QStringLiteral("ctrl+alt+f"), QStringLiteral("ctrl+alt+o")};
    for (const QString &combination : keys) {
        QVERIFY(foreign.activate());
        e2e::key(combination);
        QVERIFY2(e2e::waitUntil(dialogIsActive), qPrintable(combination));
    }
    QVERIFY(foreign.activate());
    QCOMPARE(e2e::runProgram({QStringLiteral("--region")}).status, 0);
    QVERIFY(e2e::waitUntil(dialogIsActive));
    QTest::qWait(300); // an overlay would follow its grab within this
    QCOMPARE(e2e::visibleWindowsOfProcess(program->pid()).size(), windows);
    QVERIFY(!e2e::windowCovers(program->pid(), QRect(QPoint(0, 0), screen)));

    // The first Escape goes to the dialog the user sees, and closes it.
    e2e::key(QStringLiteral("Escape"));
    QVERIFY(e2e::waitUntil([&] { return !e2e::isViewable(dialog); }));
}

void TestE2eCapture::toolkitDialogsSpeakChinese()
{
    // Under an English system the toolkit's own dialogs speak Chinese too: the colour chooser,
    // opened from a board's pen tool (the fifth on its tool bar) and the settings window's colour
    // button, has the toolkit's title for it.
    e2e::ForeignWindow foreign;
    QVERIFY(foreign.activate());
    e2e::key(QStringLiteral("ctrl+alt+o"));
    const QStringList boards = e2e::waitForWindows(QStringLiteral("^TAVO截图$"), program->pid(), 2);
    QString board;
    for (const QString &window : boards)
        if (window != panel)
            board = window;
    QVERIFY(e2e::activate(board));
    e2e::clickOnWindow(board, QPoint(20, 186));
    const QStringList settings = e2e::waitForWindows(QStringLiteral("^TAVO截图$"), program->pid(), 3);
    QCOMPARE(settings.size(), 3);
    e2e::key(QStringLiteral("Tab"));   // from the width to the colour button
    e2e::key(QStringLiteral("space"));
    const QStringList chooser = e2e::waitForWindows(QStringLiteral("^选择颜色$"), program->pid());
    QCOMPARE(chooser.size(), 1);
    e2e::key(QStringLiteral("Escape"));
    QVERIFY(e2e::waitUntil([&] { return !e2e::isViewable(chooser.first()); }));
}

QTEST_GUILESS_MAIN(TestE2eCapture)
#include "tst_e2e_capture.moc"
