#include "Desktop.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <csignal>

namespace e2e {

QByteArray run(const QString &program, const QStringList &arguments, int *exitCode, int timeoutMs)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(2000);
        if (exitCode)
            *exitCode = -1;
        return {};
    }
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return process.readAllStandardOutput();
}

QString xdotool(const QStringList &arguments, int *exitCode)
{
    return QString::fromUtf8(run(QStringLiteral("xdotool"), arguments, exitCode)).trimmed();
}

QString programPath()
{
    return qEnvironmentVariable("TAVO_BIN");
}

Program::Program(const QStringList &arguments, const QString &workingDirectory)
    : proc(std::make_unique<QProcess>())
{
    proc->setProcessChannelMode(QProcess::ForwardedChannels);
    if (!workingDirectory.isEmpty())
        proc->setWorkingDirectory(workingDirectory);
    proc->start(programPath(), arguments);
    proc->waitForStarted(10000);
}

Program::~Program()
{
    if (proc->state() != QProcess::NotRunning) {
        proc->kill();
        proc->waitForFinished(5000);
    }
}

bool Program::waitForExit(int timeoutMs)
{
    return proc->state() == QProcess::NotRunning || proc->waitForFinished(timeoutMs);
}

void Program::terminate(int signalNumber)
{
    if (proc->state() != QProcess::NotRunning)
        ::kill(pid_t(proc->processId()), signalNumber);
}

QStringList visibleWindows(const QString &titlePattern, qint64 pid)
{
    QStringList arguments{QStringLiteral("search"), QStringLiteral("--onlyvisible")};
    // xdotool ORs its conditions unless told otherwise; the pid must narrow the search.
    if (pid > 0)
        arguments << QStringLiteral("--all") << QStringLiteral("--pid") << QString::number(pid);
    arguments << QStringLiteral("--name") << titlePattern;
    return xdotool(arguments).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList waitForWindows(const QString &titlePattern, qint64 pid, int count, int timeoutMs)
{
    QStringList found;
    waitUntil([&] {
        found = visibleWindows(titlePattern, pid);
        return found.size() >= count;
    }, timeoutMs);
    return found.size() >= count ? found : QStringList();
}

QRect windowGeometry(const QString &windowId)
{
    // xwininfo reports the client area's absolute position, whatever frame the manager added.
    const QString info = QString::fromUtf8(run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), windowId}));
    auto field = [&](const char *name) {
        const QRegularExpression pattern(QStringLiteral("%1:\\s+(-?\\d+)").arg(QLatin1String(name)));
        return pattern.match(info).captured(1).toInt();
    };
    return QRect(field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"),
                 field("Height"));
}

bool isEmbeddedInTray(const QString &windowClass)
{
    return !trayIconWindow(windowClass).isEmpty();
}

ForeignWindow::ForeignWindow()
{
    proc.start(QStringLiteral("xmessage"), {QStringLiteral("-name"), QStringLiteral("foreign"),
                                            QStringLiteral("-geometry"), QStringLiteral("300x100+200+200"),
                                            QStringLiteral("a foreign window")});
    proc.waitForStarted(5000);
    // xmessage sets no _NET_WM_PID, so it is found by its name alone.
    const QStringList ids = waitForWindows(QStringLiteral("^foreign$"));
    id = ids.value(0);
}

ForeignWindow::~ForeignWindow()
{
    proc.kill();
    proc.waitForFinished(3000);
}

bool ForeignWindow::activate()
{
    if (id.isEmpty())
        return false;
    // A window just mapped may not be managed yet, and the window manager then ignores the
    // request: ask again until it is the active window.
    const QString active = QString::number(id.toULongLong());
    return waitUntil([&] {
        xdotool({QStringLiteral("windowactivate"), id});
        return waitUntil([&] { return xdotool({QStringLiteral("getactivewindow")}) == active; }, 500);
    }, 10000);
}

void key(const QString &combination)
{
    xdotool({QStringLiteral("key"), combination});
}

QStringList clipboardTargets()
{
    const QByteArray out = run(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                                                         QStringLiteral("-t"), QStringLiteral("TARGETS"),
                                                         QStringLiteral("-o")}, nullptr, 5000);
    return QString::fromUtf8(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QByteArray clipboardData(const QString &target)
{
    return run(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                                         QStringLiteral("-t"), target, QStringLiteral("-o")}, nullptr, 10000);
}

QImage clipboardImage()
{
    const QByteArray png = clipboardData(QStringLiteral("image/png"));
    return QImage::fromData(png, "PNG");
}

bool waitForClipboardImage(int timeoutMs)
{
    return waitUntil([] { return clipboardTargets().contains(QStringLiteral("image/png")); }, timeoutMs);
}

QImage screenShot()
{
    const QByteArray png = run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                                          QStringLiteral("png:-")});
    return QImage::fromData(png, "PNG");
}

QRgb patternPixel(int x, int y)
{
    return qRgb(x % 256, y % 256, (x / 256) * 16 + y / 256);
}

bool showPatternOnRoot(const QSize &screenSize)
{
    QImage pattern(screenSize, QImage::Format_RGB32);
    for (int y = 0; y < pattern.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(pattern.scanLine(y));
        for (int x = 0; x < pattern.width(); ++x)
            line[x] = patternPixel(x, y);
    }
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("pattern.ppm"));
    if (!pattern.save(file, "PPM"))
        return false;
    // display sets the picture as the root window's background; its exit status is not reliable
    // (it reports 1 after a success under Xvfb), so the screen itself is asked.
    run(QStringLiteral("display"), {QStringLiteral("-window"), QStringLiteral("root"), file});
    const QImage shot = screenShot();
    const QPoint probe(screenSize.width() * 2 / 3 + 7, screenSize.height() / 3 + 5);
    return shot.size() == screenSize && shot.pixel(probe) == patternPixel(probe.x(), probe.y());
}

QString trayIconWindow(const QString &windowClass)
{
    // trayer reparents each tray icon under its window named "panel"; the icon's class shows in
    // the tree listing below it.
    const QStringList lines = QString::fromUtf8(
        run(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")})).split(QLatin1Char('\n'));
    int panelIndent = -1;
    for (const QString &line : lines) {
        const int indent = int(line.size() - line.trimmed().size());
        if (line.contains(QLatin1String("\"panel\": (\"panel\" \"trayer\")"))) {
            panelIndent = indent;
            continue;
        }
        if (panelIndent < 0)
            continue;
        if (indent <= panelIndent) {
            panelIndent = -1;
            continue;
        }
        if (line.contains(QStringLiteral("(\"%1\"").arg(windowClass), Qt::CaseInsensitive)
            || line.contains(QStringLiteral(" \"%1\")").arg(windowClass), Qt::CaseInsensitive))
            return line.trimmed().section(QLatin1Char(' '), 0, 0);
    }
    return {};
}

bool isViewable(const QString &windowId)
{
    const QString info = QString::fromUtf8(run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), windowId}));
    return info.contains(QLatin1String("Map State: IsViewable"));
}

QStringList visibleWindowsOfClass(const QString &classPattern, qint64 pid)
{
    QStringList arguments{QStringLiteral("search"), QStringLiteral("--onlyvisible")};
    if (pid > 0)
        arguments << QStringLiteral("--all") << QStringLiteral("--pid") << QString::number(pid);
    arguments << QStringLiteral("--class") << classPattern;
    return xdotool(arguments).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QSize screenSize()
{
    const QStringList parts = xdotool({QStringLiteral("getdisplaygeometry")}).split(QLatin1Char(' '));
    return parts.size() == 2 ? QSize(parts.at(0).toInt(), parts.at(1).toInt()) : QSize();
}

QStringList visibleWindowsOfProcess(qint64 pid)
{
    return xdotool({QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"),
                    QStringLiteral("--pid"), QString::number(pid), QStringLiteral("--name"), QStringLiteral(".*")})
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace e2e
