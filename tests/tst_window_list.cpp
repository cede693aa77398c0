// The X11 window list against openbox: frames as the manager decorates them, stacking order,
// minimised and own windows left out, the active window; through the manager's stacking list
// and through the window tree where the manager keeps no list.
#include "platform/WindowList.h"

#include "TestSupport.h"

#include <QProcess>
#include <QRegularExpression>
#include <QWidget>
#include <QX11Info>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <memory>
#include <vector>

namespace {

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(10000);
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

QString xdotool(const QStringList &arguments)
{
    return run(QStringLiteral("xdotool"), arguments).trimmed();
}

// A window of another process, of known size and place.
struct Client
{
    QString title;
    QRect requested;
    std::unique_ptr<QProcess> process;
    QString id;

    // Where the client's own window is, as the server tells another tool.
    QRect clientArea() const
    {
        const QString info = run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id});
        auto number = [&](const char *label) {
            const QRegularExpression pattern(QLatin1String(label) + QStringLiteral(":\\s+(-?\\d+)"));
            return pattern.match(info).captured(1).toInt();
        };
        return QRect(number("Absolute upper-left X"), number("Absolute upper-left Y"), number("Width"),
                     number("Height"));
    }

    // left, right, top, bottom
    QVector<int> property(const char *name) const
    {
        const QString line = run(QStringLiteral("xprop"), {QStringLiteral("-id"), id, QLatin1String(name)});
        QVector<int> values;
        for (const QString &part : line.section(QLatin1Char('='), 1).split(QLatin1Char(','), Qt::SkipEmptyParts))
            values.append(part.trimmed().toInt());
        return values;
    }

    QRect expectedFrame() const
    {
        const QVector<int> e = property("_NET_FRAME_EXTENTS");
        return e.size() == 4 ? clientArea().adjusted(-e[0], -e[2], e[1], e[3]) : QRect();
    }
};

QStringList titlesOf(const QVector<WindowFrame> &frames)
{
    QStringList titles;
    for (const WindowFrame &frame : frames)
        titles.append(frame.title);
    return titles;
}

// The ordered titles among `frames` that belong to `clients`.
QStringList ourTitles(const QVector<WindowFrame> &frames, const std::vector<Client> &clients)
{
    QStringList titles;
    for (const QString &title : titlesOf(frames)) {
        for (const Client &client : clients) {
            if (client.title == title)
                titles.append(title);
        }
    }
    return titles;
}

// Takes a root property away for a while (a manager that keeps no such list), and puts it back.
class RootPropertyAway
{
public:
    explicit RootPropertyAway(const char *name)
        : display(QX11Info::display())
        , atom(XInternAtom(display, name, False))
    {
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char *data = nullptr;
        XGetWindowProperty(display, DefaultRootWindow(display), atom, 0, 1 << 16, False, AnyPropertyType, &type,
                           &format, &count, &after, &data);
        if (data && format == 32) {
            const auto *longs = reinterpret_cast<const long *>(data);
            saved.assign(longs, longs + count);
            savedType = type;
        }
        XFree(data);
        XDeleteProperty(display, DefaultRootWindow(display), atom);
        XSync(display, False);
    }
    ~RootPropertyAway()
    {
        if (savedType != None)
            XChangeProperty(display, DefaultRootWindow(display), atom, savedType, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char *>(saved.data()), int(saved.size()));
        XSync(display, False);
    }

private:
    Display *display;
    Atom atom;
    Atom savedType = None;
    std::vector<long> saved;
};

} // namespace

class WindowListTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void listsWindowsTopFirstWithTheirFrames_data();
    void listsWindowsTopFirstWithTheirFrames();
    void leavesOutClientShadows();
    void leavesOutMinimisedWindows();
    void leavesOutOwnWindows();
    void tellsTheActiveWindow_data();
    void tellsTheActiveWindow();

private:
    void activate(const Client &client);
    const Client *clientTitled(const QString &title) const;

    std::unique_ptr<WindowList> list;
    std::vector<Client> clients;
};

void WindowListTest::initTestCase()
{
    list = WindowList::forThisSession();
    QVERIFY(list);
    const QVector<QRect> places = {{200, 150, 300, 200}, {350, 250, 260, 180}, {900, 300, 200, 240}};
    for (int i = 0; i < places.size(); ++i) {
        Client client;
        client.title = QStringLiteral("tavo-list-%1").arg(i);
        client.requested = places[i];
        client.process = std::make_unique<QProcess>();
        const QRect &r = places[i];
        client.process->start(QStringLiteral("xlogo"),
                              {QStringLiteral("-title"), client.title, QStringLiteral("-geometry"),
                               QStringLiteral("%1x%2+%3+%4").arg(r.width()).arg(r.height()).arg(r.x()).arg(r.y())});
        QVERIFY(client.process->waitForStarted());
        client.id = xdotool({QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
                             QStringLiteral("--name"), QStringLiteral("^%1$").arg(client.title)});
        QVERIFY2(!client.id.isEmpty(), qPrintable(client.title));
        clients.push_back(std::move(client));
    }
    // Raised in this order: the last on top.
    for (const Client &client : clients)
        activate(client);
}

void WindowListTest::cleanupTestCase()
{
    for (Client &client : clients) {
        client.process->kill();
        client.process->waitForFinished();
    }
}

void WindowListTest::activate(const Client &client)
{
    xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), client.id});
    TAVO_WAIT_FOR(xdotool({QStringLiteral("getactivewindow")}) == client.id, 5000, "the window activated");
}

const Client *WindowListTest::clientTitled(const QString &title) const
{
    for (const Client &client : clients) {
        if (client.title == title)
            return &client;
    }
    return nullptr;
}

void WindowListTest::listsWindowsTopFirstWithTheirFrames_data()
{
    QTest::addColumn<bool>("managerKeepsList");
    QTest::newRow("stacking list") << true;
    QTest::newRow("window tree") << false;
}

void WindowListTest::listsWindowsTopFirstWithTheirFrames()
{
    QFETCH(bool, managerKeepsList);
    std::unique_ptr<RootPropertyAway> away;
    if (!managerKeepsList)
        away = std::make_unique<RootPropertyAway>("_NET_CLIENT_LIST_STACKING");

    const QVector<WindowFrame> frames = list->windows();
    QCOMPARE(ourTitles(frames, clients),
             QStringList({clients[2].title, clients[1].title, clients[0].title}));
    for (const WindowFrame &frame : frames) {
        const Client *client = clientTitled(frame.title);
        if (!client)
            continue;
        const QRect expected = client->expectedFrame();
        QVERIFY2(expected.width() > client->requested.width(), "openbox decorates its windows");
        QCOMPARE(frame.area, expected);
        // The manager put the frame's corner where the client asked its window to go.
        QCOMPARE(frame.area.topLeft(), client->requested.topLeft());
    }
}

void WindowListTest::leavesOutClientShadows()
{
    const Client &client = clients[0];
    // A client that draws its own shadow: 10 left, 6 right, 4 top, 12 bottom.
    run(QStringLiteral("xprop"), {QStringLiteral("-id"), client.id, QStringLiteral("-f"),
                                  QStringLiteral("_GTK_FRAME_EXTENTS"), QStringLiteral("32c"), QStringLiteral("-set"),
                                  QStringLiteral("_GTK_FRAME_EXTENTS"), QStringLiteral("10, 6, 4, 12")});
    QCOMPARE(client.property("_GTK_FRAME_EXTENTS"), QVector<int>({10, 6, 4, 12}));
    const QRect expected = client.expectedFrame().adjusted(10, 4, -6, -12);
    QVector<WindowFrame> frames = list->windows();
    run(QStringLiteral("xprop"), {QStringLiteral("-id"), client.id, QStringLiteral("-remove"),
                                  QStringLiteral("_GTK_FRAME_EXTENTS")});
    const int at = titlesOf(frames).indexOf(client.title);
    QVERIFY(at >= 0);
    QCOMPARE(frames[at].area, expected);
}

void WindowListTest::leavesOutMinimisedWindows()
{
    const Client &client = clients[1];
    xdotool({QStringLiteral("windowminimize"), QStringLiteral("--sync"), client.id});
    QTRY_VERIFY(!titlesOf(list->windows()).contains(client.title));
    QVERIFY(titlesOf(list->windows()).contains(clients[0].title));
    xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), client.id});
    QTRY_VERIFY(titlesOf(list->windows()).contains(client.title));
}

void WindowListTest::leavesOutOwnWindows()
{
    QWidget own;
    own.setWindowTitle(QStringLiteral("tavo-list-own"));
    own.setGeometry(100, 100, 400, 300);
    own.show();
    QVERIFY(QTest::qWaitForWindowExposed(&own));
    QTRY_VERIFY(xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                         QStringLiteral("^tavo-list-own$")})
                    .toULongLong()
                == own.winId());
    const QStringList titles = titlesOf(list->windows());
    QVERIFY(!titles.contains(own.windowTitle()));
    QVERIFY(titles.contains(clients[0].title));
}

void WindowListTest::tellsTheActiveWindow_data()
{
    QTest::addColumn<bool>("managerTellsActive");
    QTest::newRow("_NET_ACTIVE_WINDOW") << true;
    QTest::newRow("input focus") << false;
}

void WindowListTest::tellsTheActiveWindow()
{
    QFETCH(bool, managerTellsActive);
    for (const int which : {0, 2}) {
        const Client &client = clients[size_t(which)];
        activate(client);
        std::unique_ptr<RootPropertyAway> away;
        if (!managerTellsActive)
            away = std::make_unique<RootPropertyAway>("_NET_ACTIVE_WINDOW");
        const std::optional<WindowFrame> active = list->activeWindow();
        QVERIFY(active);
        QCOMPARE(active->title, client.title);
        QCOMPARE(active->area, client.expectedFrame());
    }
}

QTEST_MAIN(WindowListTest)
#include "tst_window_list.moc"
