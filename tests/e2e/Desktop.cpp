#include "Desktop.h"

#include "TestSupport.h"

#include <QRegularExpression>
#include <QTemporaryDir>

#include <csignal>

namespace e2e {

QByteArray run(const QString &program, const QStringList &arguments, int *exitCode, int timeoutMs)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    // xdotool matches Chinese window titles only in a UTF-8 locale.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    process.setProcessEnvironment(environment);
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

Finished runProgram(const QStringList &arguments, const QString &workingDirectory,
                    const QProcessEnvironment &environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    process.start(programPath(), arguments);
    Finished result;
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished(2000);
    } else if (process.exitStatus() == QProcess::NormalExit) {
        result.status = process.exitCode();
    }
    result.output = process.readAllStandardOutput();
    result.errors = process.readAllStandardError();
    return result;
}

Program::Program(const QStringList &arguments, const QString &workingDirectory,
                 const QProcessEnvironment &environment, bool keepErrors)
    : proc(std::make_unique<QProcess>())
{
    proc->setProcessChannelMode(keepErrors ? QProcess::ForwardedOutputChannel : QProcess::ForwardedChannels);
    proc->setProcessEnvironment(environment);
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

QByteArray Program::errors()
{
    return proc->readAllStandardError();
}

void Program::terminate(int signalNumber)
{
    if (proc->state() != QProcess::NotRunning)
        ::kill(pid_t(proc->processId()), signalNumber);
}

namespace {

// xdotool's search for visible windows by one property, optionally only those of one process.
QStringList searchVisible(const char *property, const QString &pattern, qint64 pid)
{
    QStringList arguments{QStringLiteral("search"), QStringLiteral("--onlyvisible")};
    // xdotool ORs its conditions unless told otherwise; the pid must narrow the search.
    if (pid > 0)
        arguments << QStringLiteral("--all") << QStringLiteral("--pid") << QString::number(pid);
    arguments << QLatin1String(property) << pattern;
    return xdotool(arguments).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

QStringList visibleWindows(const QString &titlePattern, qint64 pid)
{
    return searchVisible("--name", titlePattern, pid);
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
    const QStringList which = windowId == QLatin1String("root") ? QStringList{QStringLiteral("-root")}
                                                                 : QStringList{QStringLiteral("-id"), windowId};
    const QString info = QString::fromUtf8(run(QStringLiteral("xwininfo"), which));
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
    // Another foreign window may be up or still going away, so only a new one is taken.
    const QString name = QStringLiteral("^foreign$");
    const QStringList before = visibleWindows(name);
    proc.start(QStringLiteral("xmessage"), {QStringLiteral("-name"), QStringLiteral("foreign"),
                                            QStringLiteral("-geometry"), QStringLiteral("300x100+200+200"),
                                            QStringLiteral("a foreign window")});
    proc.waitForStarted(5000);
    // xmessage sets no _NET_WM_PID, so it is found by its name alone.
    waitUntil([&] {
        for (const QString &candidate : visibleWindows(name))
            if (!before.contains(candidate))
                id = candidate;
        return !id.isEmpty();
    }, 15000);
}

ForeignWindow::~ForeignWindow()
{
    proc.kill();
    proc.waitForFinished(3000);
    waitUntil([&] { return !visibleWindows(QStringLiteral("^foreign$")).contains(id); }, 5000);
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

bool showPatternOnRoot(const QSize &screenSize)
{
    const QImage pattern = support::patternImage(screenSize);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("pattern.ppm"));
    if (!pattern.save(file, "PPM"))
        return false;
    // display sets the picture as the root window's background; its exit status is not reliable
    // (it reports 1 after a success under Xvfb), so the screen itself is asked.
    run(QStringLiteral("display"), {QStringLiteral("-window"), QStringLiteral("root"), file});
    const QImage shot = screenShot();
    const QPoint probe(screenSize.width() * 2 / 3 + 7, screenSize.height() / 3 + 5);
    return shot.size() == screenSize && shot.pixel(probe) == support::patternPixel(probe.x(), probe.y());
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
    return searchVisible("--class", classPattern, pid);
}

QSize screenSize()
{
    // The root window, which spans every screen (xdotool's display geometry is one screen's).
    return windowGeometry(QStringLiteral("root")).size();
}

QStringList visibleWindowsOfProcess(qint64 pid)
{
    return visibleWindows(QStringLiteral(".*"), pid);
}

bool endsWithZero(Program &program, int timeoutMs)
{
    return program.waitForExit(timeoutMs) && program.exitStatus() == QProcess::NormalExit
           && program.exitCode() == 0;
}

QString windowProperty(const QString &windowId, const QString &property)
{
    const QString line = QString::fromUtf8(
        run(QStringLiteral("xprop"), {QStringLiteral("-id"), windowId, QStringLiteral("-notype"), property}));
    return line.section(QLatin1Char('='), 1).trimmed();
}

bool hasWindowType(const QString &windowId, const char *type)
{
    return windowProperty(windowId, QStringLiteral("_NET_WM_WINDOW_TYPE")).startsWith(QLatin1String(type));
}

QStringList titledWindows(qint64 pid, const char *type)
{
    const QString title = QLatin1Char('"') + programTitle + QLatin1Char('"');
    QStringList found;
    for (const QString &id : visibleWindowsOfClass(programClass, pid))
        if (windowProperty(id, QStringLiteral("_NET_WM_NAME")) == title && hasWindowType(id, type))
            found << id;
    return found;
}

namespace {

// Waits for the first window of the process titled like the program and of the given type.
QString waitForTitledWindow(qint64 pid, const char *type, int timeoutMs)
{
    QString window;
    waitUntil([&] {
        window = titledWindows(pid, type).value(0);
        return !window.isEmpty();
    }, timeoutMs);
    return window;
}

} // namespace

QString panelWindow(qint64 pid, int timeoutMs)
{
    return waitForTitledWindow(pid, "_NET_WM_WINDOW_TYPE_UTILITY", timeoutMs);
}

QVector<QPoint> panelButtonCentres(const QString &panelWindow)
{
    // Runs of pixels along the panel's middle row that differ from its background (taken at its
    // left edge), with short gaps inside a button's picture bridged. The panel is wider than its
    // row of buttons, so their places are looked for rather than computed.
    const QRect area = windowGeometry(panelWindow);
    const QImage shot = screenShot();
    if (area.isEmpty() || shot.isNull())
        return {};
    const int y = area.center().y();
    const QRgb background = shot.pixel(area.left() + 1, y);
    constexpr int largestGapInButton = 4;
    QVector<QPoint> centres;
    int runStart = -1;
    int lastDifferent = -1;
    for (int x = area.left(); x <= area.right(); ++x) {
        if (shot.pixel(x, y) == background)
            continue;
        if (runStart >= 0 && x - lastDifferent > largestGapInButton) {
            centres << QPoint((runStart + lastDifferent) / 2, y);
            runStart = -1;
        }
        if (runStart < 0)
            runStart = x;
        lastDifferent = x;
    }
    if (runStart >= 0)
        centres << QPoint((runStart + lastDifferent) / 2, y);
    return centres;
}

bool activate(const QString &windowId)
{
    int status = 0;
    xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), windowId}, &status);
    return status == 0;
}

void clickAt(const QPoint &at, int button)
{
    xdotool({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
             QStringLiteral("click"), QString::number(button)});
}

void dragOnScreen(const QPoint &from, const QPoint &to)
{
    const QPoint middle = (from + to) / 2;
    auto moveTo = [](const QPoint &p) {
        return QStringList{QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y())};
    };
    xdotool(moveTo(from) + QStringList{QStringLiteral("mousedown"), QStringLiteral("1")} + moveTo(middle)
            + moveTo(to) + QStringList{QStringLiteral("mouseup"), QStringLiteral("1")});
}

void clickOnWindow(const QString &windowId, const QPoint &at, int button)
{
    xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), windowId, QString::number(at.x()),
             QString::number(at.y()), QStringLiteral("click"), QString::number(button)});
}

bool menuIsOpen(qint64 pid)
{
    for (const QString &id : visibleWindowsOfClass(programClass, pid))
        if (hasWindowType(id, "_NET_WM_WINDOW_TYPE_POPUP_MENU"))
            return true;
    return false;
}

bool openMenuOn(const QString &window, const QPoint &at, qint64 pid)
{
    if (!waitUntil([&] { return !menuIsOpen(pid); }))
        return false;
    clickOnWindow(window, at, 3);
    return waitUntil([&] { return menuIsOpen(pid); });
}

void chooseMenuEntry(int n)
{
    QStringList keys{QStringLiteral("key")};
    for (int i = 0; i < n; ++i)
        keys << QStringLiteral("Down");
    keys << QStringLiteral("Return");
    xdotool(keys);
}

bool windowCovers(qint64 pid, const QRect &area)
{
    for (const QString &window : visibleWindowsOfProcess(pid))
        if (windowGeometry(window) == area)
            return true;
    return false;
}

bool answerFileDialog(const QString &caption, const QString &path)
{
    const QString title = QStringLiteral("^%1$").arg(caption);
    const QStringList dialogs = waitForWindows(title);
    if (dialogs.isEmpty() || !activate(dialogs.first()))
        return false;
    key(QStringLiteral("ctrl+a"));
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), path});
    key(QStringLiteral("Return"));
    return waitUntil([&] { return visibleWindows(title).isEmpty(); });
}

QString waitForMessage(qint64 pid, int timeoutMs)
{
    return waitForTitledWindow(pid, "_NET_WM_WINDOW_TYPE_DIALOG", timeoutMs);
}

QString messageText(const QString &messageWindow)
{
    // The text is selectable: a click into it (right of the icon, on the first line), all of it,
    // copy.
    if (!activate(messageWindow))
        return {};
    clickOnWindow(messageWindow, QPoint(100, 25));
    key(QStringLiteral("ctrl+a"));
    key(QStringLiteral("ctrl+c"));
    QString text;
    waitUntil([&] {
        text = QString::fromUtf8(clipboardData(QStringLiteral("UTF8_STRING")));
        return !text.isEmpty();
    }, 5000);
    return text;
}

bool clearClipboard()
{
    // xclip stays behind as the owner of the empty text until the program takes the clipboard.
    QProcess xclip;
    xclip.setStandardInputFile(QProcess::nullDevice());
    xclip.start(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                                          QStringLiteral("-i")});
    xclip.waitForFinished(5000);
    return waitUntil([] { return !clipboardTargets().contains(QStringLiteral("image/png")); });
}

QRect outerFrame(const QString &windowId)
{
    const QRect client = windowGeometry(windowId);
    const QStringList extents = windowProperty(windowId, QStringLiteral("_NET_FRAME_EXTENTS")).split(QLatin1Char(','));
    if (extents.size() != 4)
        return {};
    const int left = extents[0].trimmed().toInt(), right = extents[1].trimmed().toInt();
    const int top = extents[2].trimmed().toInt(), bottom = extents[3].trimmed().toInt();
    return client.adjusted(-left, -top, right, bottom);
}

} // namespace e2e
