#include "Desktop.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// The full-screen capture from outside the program: Ctrl+Alt+X with another program focused puts
// the whole screen on the clipboard while the panel is away, the panel comes back after about
// 1.4 s, and Ctrl+Alt+S writes the capture through the save dialog.
class TestE2eCapture : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void captureHidesPanelAndFillsClipboard();
    void savesCaptureThroughDialog_data();
    void savesCaptureThroughDialog();

private:
    const QString panelTitle = QStringLiteral("^TAVO截图$");
    const QSize screen{1920, 1080};
    std::unique_ptr<e2e::Program> program;
    QTemporaryDir dir;
};

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Points away from the panel, the foreign window and the tray, where the pattern shows.
const QVector<QPoint> probes{{1000, 500}, {1700, 300}, {50, 900}, {1300, 1000}};

} // namespace

void TestE2eCapture::initTestCase()
{
    // xdotool matches Chinese window titles only in a UTF-8 locale.
    qputenv("LC_ALL", "C.UTF-8");
    QVERIFY(e2e::showPatternOnRoot(screen));
    program = std::make_unique<e2e::Program>();
    QVERIFY(!e2e::waitForWindows(panelTitle).isEmpty());
}

void TestE2eCapture::captureHidesPanelAndFillsClipboard()
{
    e2e::ForeignWindow foreign;
    QVERIFY(foreign.activate());
    QVERIFY(!e2e::clipboardTargets().contains(QStringLiteral("image/png")));

    QElapsedTimer clock;
    clock.start();
    e2e::key(QStringLiteral("ctrl+alt+x"));
    QVERIFY(e2e::waitUntil([&] { return e2e::visibleWindows(panelTitle).isEmpty(); }, 3000));
    QVERIFY(e2e::waitForClipboardImage(3000));
    // The panel is still away when the picture is already offered.
    QVERIFY(e2e::visibleWindows(panelTitle).isEmpty());
    const qint64 hiddenBy = clock.elapsed();

    const QImage picture = e2e::clipboardImage();
    QCOMPARE(picture.size(), screen);
    for (const QPoint &p : probes)
        QCOMPARE(picture.pixel(p), e2e::patternPixel(p.x(), p.y()));

    QVERIFY(e2e::waitUntil([&] { return !e2e::visibleWindows(panelTitle).isEmpty(); }, 5000));
    const qint64 back = clock.elapsed();
    QVERIFY2(back >= 1300 && back <= 3000, qPrintable(QStringLiteral("panel back after %1 ms").arg(back)));
    QVERIFY(hiddenBy < back);
}

void TestE2eCapture::savesCaptureThroughDialog_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("magic");
    QTest::newRow("png") << "capture.png" << QByteArray("\x89PNG\r\n\x1a\n", 8);
    QTest::newRow("jpg") << "capture.jpg" << QByteArray("\xff\xd8\xff", 3);
}

void TestE2eCapture::savesCaptureThroughDialog()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, magic);
    e2e::ForeignWindow foreign;
    QVERIFY(foreign.activate());
    const QString path = dir.filePath(name);

    e2e::key(QStringLiteral("ctrl+alt+s"));
    const QStringList dialogs = e2e::waitForWindows(QStringLiteral("^保存截图$"));
    QVERIFY(!dialogs.isEmpty());
    e2e::xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), dialogs.first()});
    e2e::xdotool({QStringLiteral("key"), QStringLiteral("ctrl+a")});
    e2e::xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), path});
    e2e::xdotool({QStringLiteral("key"), QStringLiteral("Return")});

    QVERIFY(e2e::waitUntil([&] { return fileBytes(path).startsWith(magic); }, 10000));
    QVERIFY(e2e::waitUntil([&] { return e2e::visibleWindows(QStringLiteral("^保存截图$")).isEmpty(); }, 5000));
    const QImage saved(path);
    QCOMPARE(saved.size(), screen);
    if (name.endsWith(QLatin1String(".png"))) {
        for (const QPoint &p : probes)
            QCOMPARE(saved.pixel(p), e2e::patternPixel(p.x(), p.y()));
    }
    // Nothing but finished pictures beside it: no temporary file of the write is left.
    for (const QString &entry : QDir(dir.path()).entryList(QDir::Files | QDir::Hidden))
        QVERIFY2(entry.endsWith(QLatin1String(".png")) || entry.endsWith(QLatin1String(".jpg")), qPrintable(entry));
}

QTEST_GUILESS_MAIN(TestE2eCapture)
#include "tst_e2e_capture.moc"
