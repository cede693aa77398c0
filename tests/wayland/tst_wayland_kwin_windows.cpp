// The window list on KWin (Wayland), told by a script KWin runs: windows of another process top
// first, each frame holding exactly what the screen shows of its window, a minimised one and our
// own left out, the active one.
#include "platform/DesktopGrabber.h"
#include "platform/WindowList.h"

#include "TestSupport.h"

#include <QApplication>
#include <QProcess>
#include <QSocketNotifier>
#include <QWidget>
#include <QtTest>

#include <cstring>
#include <memory>
#include <optional>

#include <unistd.h>

namespace {

constexpr QSize clientSize(300, 200);

// The other process: one window of a solid colour; "minimise" on its standard input minimises it.
int showOtherWindow(int argc, char **argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QString::fromLocal8Bit(argv[2]));
    window.setFixedSize(clientSize);
    window.setAutoFillBackground(true);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, QColor(QString::fromLatin1(argv[3])));
    window.setPalette(palette);
    window.show();
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &window, [&] {
        char buffer[64];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) > 0)
            window.showMinimized();
    });
    return app.exec();
}

QStringList titlesOf(const QVector<WindowFrame> &frames)
{
    QStringList titles;
    for (const WindowFrame &frame : frames)
        titles.append(frame.title);
    return titles;
}

// Where the colour covers the picture.
QRect boxOf(const QImage &picture, QRgb colour)
{
    QRect box;
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((line[x] & 0xffffff) == (colour & 0xffffff))
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

} // namespace

class TestWaylandKWinWindows : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void listsOtherWindowsTopFirstWithTheirFrames();
    void tellsTheActiveWindow();
    void leavesOutMinimisedAndOwnWindows();

private:
    void startOther(QProcess &process, const QString &title, const QString &colour);
    std::optional<WindowFrame> listed(const QString &title);

    std::unique_ptr<WindowList> list;
    QProcess lower;
    QProcess upper;
};

void TestWaylandKWinWindows::startOther(QProcess &process, const QString &title, const QString &colour)
{
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--other-window"), title, colour});
    QVERIFY(process.waitForStarted());
    TAVO_WAIT_FOR(titlesOf(list->windows()).contains(title), 20000, "the other process's window");
}

std::optional<WindowFrame> TestWaylandKWinWindows::listed(const QString &title)
{
    for (const WindowFrame &frame : list->windows()) {
        if (frame.title == title)
            return frame;
    }
    return std::nullopt;
}

void TestWaylandKWinWindows::initTestCase()
{
    list = WindowList::forThisSession();
    QVERIFY(list);
    startOther(lower, QStringLiteral("tavo-lower"), QStringLiteral("#ff00ff"));
    startOther(upper, QStringLiteral("tavo-upper"), QStringLiteral("#00ffff"));
}

void TestWaylandKWinWindows::cleanupTestCase()
{
    for (QProcess *process : {&lower, &upper}) {
        process->kill();
        process->waitForFinished();
    }
}

void TestWaylandKWinWindows::listsOtherWindowsTopFirstWithTheirFrames()
{
    const QStringList titles = titlesOf(list->windows());
    QVERIFY(titles.indexOf(QStringLiteral("tavo-upper")) >= 0);
    QVERIFY(titles.indexOf(QStringLiteral("tavo-lower")) > titles.indexOf(QStringLiteral("tavo-upper")));

    const std::optional<WindowFrame> frame = listed(QStringLiteral("tavo-upper"));
    QVERIFY(frame);
    std::optional<DesktopPicture> picture;
    const std::unique_ptr<DesktopGrabber> grabber = DesktopGrabber::forThisSession();
    grabber->grab(this, [&](const DesktopPicture &taken) { picture = taken; });
    TAVO_WAIT_FOR(picture, 20000, "the desktop's picture");
    QVERIFY2(picture->isValid(), qPrintable(picture->detail));
    // The client's own pixels lie in the frame, with the same decoration left and right.
    const QRect client = boxOf(picture->image, 0xff00ffff);
    qInfo() << "frame" << frame->area << "client" << client;
    QCOMPARE(client.size(), clientSize);
    QVERIFY(frame->area.contains(client));
    QCOMPARE(client.left() - frame->area.left(), frame->area.right() - client.right());
    QCOMPARE(frame->area.bottom() - client.bottom(), client.left() - frame->area.left());
}

void TestWaylandKWinWindows::tellsTheActiveWindow()
{
    const std::optional<WindowFrame> active = list->activeWindow();
    QVERIFY(active);
    QCOMPARE(active->title, QStringLiteral("tavo-upper"));
    QCOMPARE(active->area, listed(QStringLiteral("tavo-upper"))->area);
}

void TestWaylandKWinWindows::leavesOutMinimisedAndOwnWindows()
{
    QWidget own;
    own.setWindowTitle(QStringLiteral("tavo-own"));
    own.resize(clientSize);
    own.show();
    QVERIFY(QTest::qWaitForWindowExposed(&own));
    upper.write("minimise\n");
    TAVO_WAIT_FOR(!titlesOf(list->windows()).contains(QStringLiteral("tavo-upper")), 10000, "the window minimised");
    const QStringList titles = titlesOf(list->windows());
    QVERIFY(titles.contains(QStringLiteral("tavo-lower")));
    QVERIFY(!titles.contains(own.windowTitle()));
}

int main(int argc, char **argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--other-window") == 0)
        return showOtherWindow(argc, argv);
    QApplication app(argc, argv);
    TestWaylandKWinWindows test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_wayland_kwin_windows.moc"
