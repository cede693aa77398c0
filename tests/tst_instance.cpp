#include "platform/InstanceGuard.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QSystemSemaphore>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QUuid>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>
#include <vector>

Q_DECLARE_METATYPE(InstanceRequest)

// The single-instance guard and its channel, exercised with real processes and sockets: forked
// children claim the same key as the test, get killed or race each other; later starts and
// strangers talk to a listening instance.
class InstanceTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<InstanceRequest>(); }
    void keySeparatesUsersAndDisplays_data();
    void keySeparatesUsersAndDisplays();
    void secondClaimIsRefusedUntilReleased();
    void killedInstanceDoesNotBlock();
    void simultaneousClaimsLeaveExactlyOne();
    void plantedFilesDoNotKeepItOut();
    void unopenableLockClaimsNothing();
    void anotherUsersInstanceIsIndependent();
    void requestReachesRunningInstance();
    void sendFailsWhenNobodyAnswers();
    void senderTakesOverFromEndedInstance();
    void decodeAcceptsOnlyWellFormedLines_data();
    void decodeAcceptsOnlyWellFormedLines();
    void malformedMessagesAreRefusedHarmlessly();

private:
    // A key no other test run uses, so parallel runs and leftovers never meet.
    static QString freshKey() { return instanceKey(::getuid(), QUuid::createUuid().toString()); }
    QTemporaryDir lockDir;
};

namespace {

// Runs `body` in a forked child and returns its exit code (or 128 + signal).
template<typename Body>
int inChild(Body body)
{
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(body());
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// A later start on a thread of its own: send() waits for the answer, which the instance gives
// from this thread's event loop.
bool sendAsLaterStart(const QString &key, const QString &folder, const InstanceRequest &request,
                      int timeoutMs, QString *failure = nullptr)
{
    bool delivered = false;
    QThread *sender = QThread::create([&] {
        InstanceGuard later(key, folder);
        delivered = later.send(request, failure, timeoutMs);
    });
    sender->start();
    while (!sender->wait(10))
        QCoreApplication::processEvents();
    delete sender;
    return delivered;
}

QByteArray b(const char *text) { return QByteArray(text); }

} // namespace

void InstanceTest::keySeparatesUsersAndDisplays_data()
{
    QTest::addColumn<uint>("uidA");
    QTest::addColumn<QString>("displayA");
    QTest::addColumn<QString>("waylandA");
    QTest::addColumn<uint>("uidB");
    QTest::addColumn<QString>("displayB");
    QTest::addColumn<QString>("waylandB");
    QTest::addColumn<bool>("same");

    QTest::newRow("same session") << 1000u << ":0" << "" << 1000u << ":0" << "" << true;
    QTest::newRow("other user") << 1000u << ":0" << "" << 1001u << ":0" << "" << false;
    QTest::newRow("other display") << 1000u << ":0" << "" << 1000u << ":1" << "" << false;
    QTest::newRow("screen of same display") << 1000u << ":0.0" << "" << 1000u << ":0" << "" << true;
    QTest::newRow("remote screen") << 1000u << "host:10.1" << "" << 1000u << "host:10" << "" << true;
    QTest::newRow("remote vs local") << 1000u << "host:0" << "" << 1000u << ":0" << "" << false;
    QTest::newRow("no display") << 1000u << "" << "" << 1000u << ":0" << "" << false;
    QTest::newRow("same wayland session") << 1000u << ":0" << "wayland-0" << 1000u << ":0" << "wayland-0" << true;
    QTest::newRow("other wayland display") << 1000u << ":0" << "wayland-0" << 1000u << ":0" << "wayland-1" << false;
    QTest::newRow("wayland vs plain X") << 1000u << ":0" << "wayland-0" << 1000u << ":0" << "" << false;
}

void InstanceTest::keySeparatesUsersAndDisplays()
{
    QFETCH(uint, uidA);
    QFETCH(QString, displayA);
    QFETCH(QString, waylandA);
    QFETCH(uint, uidB);
    QFETCH(QString, displayB);
    QFETCH(QString, waylandB);
    QFETCH(bool, same);

    const QString a = instanceKey(uidA, displayA, waylandA);
    QVERIFY(a.startsWith(QStringLiteral("tavo截图")));
    QCOMPARE(a == instanceKey(uidB, displayB, waylandB), same);
}

void InstanceTest::secondClaimIsRefusedUntilReleased()
{
    const QString key = freshKey();
    {
        InstanceGuard first(key, lockDir.path());
        QVERIFY(first.claim());
        InstanceGuard second(key, lockDir.path());
        QVERIFY(!second.claim());
        QVERIFY(!second.listen());
    }
    InstanceGuard next(key, lockDir.path());
    QVERIFY(next.claim());
}

void InstanceTest::killedInstanceDoesNotBlock()
{
    const QString key = freshKey();
    const QString dir = lockDir.path();
    const int ending = inChild([&] {
        InstanceGuard doomed(key, dir);
        if (!doomed.claim() || !doomed.listen())
            return 1;
        ::kill(::getpid(), SIGKILL);
        return 2;
    });
    QCOMPARE(ending, 128 + SIGKILL);

    // Its lock went with it; the socket file it left is cleared by the next instance.
    InstanceGuard next(key, dir);
    QVERIFY(next.claim());
    QVERIFY(next.listen());
    QVERIFY(sendAsLaterStart(key, dir, InstanceRequest{}, 5000));
}

void InstanceTest::simultaneousClaimsLeaveExactlyOne()
{
    constexpr int starters = 8;
    const QString key = freshKey();
    const QByteArray dir = lockDir.path().toUtf8();
    int go[2], results[2], release[2];
    QVERIFY(::pipe(go) == 0 && ::pipe(results) == 0 && ::pipe(release) == 0);

    std::vector<pid_t> children;
    for (int i = 0; i < starters; ++i) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(go[1]);
            ::close(release[1]);
            char byte;
            (void)::read(go[0], &byte, 1); // all start when the parent closes the pipe
            {
                InstanceGuard guard(key, QString::fromUtf8(dir));
                const char result = guard.claim() ? 'y' : 'n';
                (void)::write(results[1], &result, 1);
                (void)::read(release[0], &byte, 1); // hold the claim until everyone has tried
            }
            ::_exit(0);
        }
        children.push_back(pid);
    }
    ::close(go[0]);
    ::close(release[0]);
    ::close(results[1]);
    ::close(go[1]);

    int winners = 0;
    for (int i = 0; i < starters; ++i) {
        char result = 0;
        QCOMPARE(::read(results[0], &result, 1), ssize_t(1));
        winners += result == 'y';
    }
    ::close(release[1]);
    ::close(results[0]);
    for (pid_t pid : children)
        ::waitpid(pid, nullptr, 0);
    QCOMPARE(winners, 1);
}

void InstanceTest::plantedFilesDoNotKeepItOut()
{
    // What another local user can put in the shared temporary folder, and a runtime folder that
    // is open to others: none of it may stop or delay the start.
    const QString key = instanceKey(::getuid(), QUuid::createUuid().toString());
    QTemporaryDir shared; // stands for /tmp
    QTemporaryDir home;
    QTemporaryDir openRuntime;
    QVERIFY(::chmod(QFile::encodeName(shared.path()).constData(), 01777) == 0);
    QVERIFY(::chmod(QFile::encodeName(openRuntime.path()).constData(), 0777) == 0);

    // The name of the user's own folder, taken first by another user.
    const QByteArray taken = QFile::encodeName(shared.path() + QStringLiteral("/tavo-screenshot-")
                                               + QString::number(::getuid()));
    QVERIFY(::mkdir(taken.constData(), 0777) == 0);
    if (::getuid() == 0)
        QVERIFY(::chown(taken.constData(), 65534, 65534) == 0 && ::chmod(taken.constData(), 0700) == 0);
    // A lock file where the lock used to live without a runtime folder, held by its planter.
    const QByteArray digest = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    const QByteArray oldLock = QFile::encodeName(shared.path()) + "/tavo-screenshot-" + digest + ".lock";
    const int held = ::open(oldLock.constData(), O_RDWR | O_CREAT, 0644);
    QVERIFY(held >= 0 && ::flock(held, LOCK_EX) == 0);
    // The System V semaphore of the shared-memory marker the program used to keep, at zero.
    QSystemSemaphore planted(key, 0, QSystemSemaphore::Create);

    const QString expected = home.path() + QStringLiteral("/.cache/tavo-screenshot-runtime");
    const int result = inChild([&] {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(openRuntime.path()));
        qputenv("TMPDIR", QFile::encodeName(shared.path()));
        qputenv("HOME", QFile::encodeName(home.path()));
        QElapsedTimer clock;
        clock.start();
        const QString folder = privateRuntimeFolder();
        InstanceGuard guard(key, folder);
        if (!guard.claim() || !guard.listen())
            return 1;
        if (clock.elapsed() > 1000)
            return 2;
        struct stat info = {};
        if (folder != expected || ::stat(QFile::encodeName(folder).constData(), &info) != 0
            || (info.st_mode & 0777) != 0700)
            return 3;
        return 0;
    });
    ::close(held);
    QCOMPARE(result, 0);
}

void InstanceTest::anotherUsersInstanceIsIndependent()
{
    if (::getuid() != 0)
        QSKIP("needs root to run a child as another user");
    constexpr uid_t nobody = 65534;
    const QString display = QUuid::createUuid().toString();
    QTemporaryDir shared;
    QVERIFY(::chmod(QFile::encodeName(shared.path()).constData(), 01777) == 0);

    InstanceGuard mine(instanceKey(::getuid(), display), shared.path());
    QVERIFY(mine.claim());
    const QString theirKey = instanceKey(nobody, display);
    const QString dir = shared.path();
    const int theirs = inChild([&] {
        if (::setgid(nobody) != 0 || ::setuid(nobody) != 0)
            return 3;
        InstanceGuard guard(theirKey, dir);
        return guard.claim() ? 0 : 1;
    });
    QCOMPARE(theirs, 0);
}

void InstanceTest::unopenableLockClaimsNothing()
{
    const QString key = freshKey();
    InstanceGuard running(key, lockDir.path());
    QVERIFY(running.claim());
    QVERIFY(running.listen());
    QSignalSpy requested(&running, &InstanceGuard::requested);

    // Out of file descriptors, the later start cannot even open the lock file: it must not take
    // the key (and then the running instance's channel) for itself.
    const QString dir = lockDir.path();
    const int later = inChild([&] {
        const rlimit none{0, 0};
        ::setrlimit(RLIMIT_NOFILE, &none);
        InstanceGuard guard(key, dir);
        if (guard.claim())
            return 1;
        return guard.lockFailure().isEmpty() ? 2 : 0;
    });
    QCOMPARE(later, 0);
    QVERIFY(sendAsLaterStart(key, lockDir.path(), InstanceRequest{}, 5000));
    QTRY_COMPARE(requested.size(), 1);
}

void InstanceTest::requestReachesRunningInstance()
{
    const QString key = freshKey();
    InstanceGuard running(key, lockDir.path());
    QVERIFY(running.claim());
    QVERIFY(running.listen());
    QSignalSpy requested(&running, &InstanceGuard::requested);

    const InstanceRequest board{InstanceRequest::Verb::Board, QStringLiteral("/tmp/a picture %41 图.png")};
    QVERIFY(sendAsLaterStart(key, lockDir.path(), board, 5000));
    QTRY_COMPARE(requested.size(), 1);
    QCOMPARE(requested.first().first().value<InstanceRequest>(), board);
}

void InstanceTest::sendFailsWhenNobodyAnswers()
{
    const QString key = freshKey();
    InstanceGuard starting(key, lockDir.path());
    QVERIFY(starting.claim()); // holds the key but never listens

    QElapsedTimer clock;
    clock.start();
    QString failure;
    QVERIFY(!sendAsLaterStart(key, lockDir.path(), InstanceRequest{}, 300, &failure));
    QVERIFY(!failure.isEmpty());
    QVERIFY(clock.elapsed() < 3000);
}

void InstanceTest::senderTakesOverFromEndedInstance()
{
    // A later start calls while the instance is ending: it runs in its place.
    const QString key = freshKey();
    auto ending = std::make_unique<InstanceGuard>(key, lockDir.path());
    QVERIFY(ending->claim());
    QTimer::singleShot(300, [&] { ending.reset(); });

    bool delivered = true;
    bool claimed = false;
    QThread *sender = QThread::create([&] {
        InstanceGuard later(key, lockDir.path());
        delivered = later.send(InstanceRequest{}, nullptr, 5000);
        claimed = later.isClaimed();
    });
    sender->start();
    while (!sender->wait(10))
        QCoreApplication::processEvents();
    delete sender;
    QVERIFY(!delivered);
    QVERIFY(claimed);
}

void InstanceTest::decodeAcceptsOnlyWellFormedLines_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("accepted");

    for (const char *verb : {"show", "full", "save", "region", "board", "quit", "window"})
        QTest::newRow(verb) << b(verb) + '\n' << true;
    QTest::newRow("board with file") << encodeRequest({InstanceRequest::Verb::Board, "/tmp/x y.png"}) << true;
    QTest::newRow("pin of a file") << encodeRequest({InstanceRequest::Verb::Pin, "/tmp/x y.png"}) << true;
    QTest::newRow("pin of the clipboard") << b("pin -\n") << true;
    QTest::newRow("pin of nothing") << b("pin\n") << false;
    QTest::newRow("delayed full") << b("full delay=2500\n") << true;
    QTest::newRow("delayed window") << b("window delay=100\n") << true;
    QTest::newRow("last region, delayed") << b("region last delay=60000\n") << true;
    QTest::newRow("last region into a file") << b("region last /tmp/x%20y.png\n") << true;
    QTest::newRow("delay too short") << b("full delay=99\n") << false;
    QTest::newRow("delay too long") << b("region delay=60001\n") << false;
    QTest::newRow("delay not a number") << b("full delay=2s\n") << false;
    QTest::newRow("delay of a board") << b("board delay=1000\n") << false;
    QTest::newRow("last of a full capture") << b("full last\n") << false;
    QTest::newRow("options out of order") << b("region delay=1000 last\n") << false;
    QTest::newRow("region file without last") << b("region /tmp/x.png\n") << false;
    QTest::newRow("pin, relative file") << b("pin x.png\n") << false;
    QTest::newRow("board of the clipboard") << b("board -\n") << false;
    QTest::newRow("unknown verb") << b("exec /bin/sh\n") << false;
    QTest::newRow("verb in capitals") << b("FULL\n") << false;
    QTest::newRow("file with another verb") << b("full /tmp/x.png\n") << false;
    QTest::newRow("relative file") << b("board x.png\n") << false;
    QTest::newRow("two files") << b("board /a /b\n") << false;
    QTest::newRow("unencoded space") << b("board /a b\n") << false;
    QTest::newRow("broken UTF-8") << b("board /%FF%FE\n") << false;
    QTest::newRow("control character") << b("board /a%0Ab\n") << false;
    QTest::newRow("trailing space") << b("show \n") << false;
    QTest::newRow("empty") << b("\n") << false;
    QTest::newRow("NUL") << QByteArray("show\0\n", 6) << false;
    QTest::newRow("too long") << b("board /") + QByteArray(maxRequestBytes, 'a') + '\n' << false;
}

void InstanceTest::decodeAcceptsOnlyWellFormedLines()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, accepted);
    const std::optional<InstanceRequest> request = decodeRequest(line);
    QCOMPARE(request.has_value(), accepted);
    if (accepted)
        QCOMPARE(encodeRequest(*request), line);
}

void InstanceTest::malformedMessagesAreRefusedHarmlessly()
{
    const QString key = freshKey();
    InstanceGuard running(key, lockDir.path());
    QVERIFY(running.claim());
    QVERIFY(running.listen());
    QSignalSpy requested(&running, &InstanceGuard::requested);
    const QString channel = lockDir.filePath(QDir(lockDir.path()).entryList({QStringLiteral("*.socket")}, QDir::System).value(0));

    QByteArray binary(4096, '\0');
    for (int i = 0; i < binary.size(); ++i)
        binary[i] = char(i * 37 + 11);
    const QList<QByteArray> messages{
        b("exec rm -rf ~\n"), binary + '\n', QByteArray(200 * 1024, 'x'), b("board relative.png\n"),
    };
    for (const QByteArray &message : messages) {
        QLocalSocket stranger;
        stranger.connectToServer(channel);
        QVERIFY(stranger.waitForConnected(2000));
        stranger.write(message);
        // Refused, or cut off: never taken as a request. The instance answers from this
        // thread's event loop, which QTRY keeps running.
        QTRY_VERIFY_WITH_TIMEOUT(stranger.canReadLine() || stranger.state() == QLocalSocket::UnconnectedState, 5000);
        const QByteArray answer = stranger.readAll();
        QVERIFY2(answer.isEmpty() || answer == "error\n", answer.constData());
    }
    // A stranger that connects and says nothing is dropped, and does not hold up others.
    QLocalSocket silent;
    silent.connectToServer(channel);
    QVERIFY(silent.waitForConnected(2000));

    QVERIFY(sendAsLaterStart(key, lockDir.path(), {InstanceRequest::Verb::Full, QString()}, 5000));
    QTRY_COMPARE(requested.size(), 1);
    QCOMPARE(requested.first().first().value<InstanceRequest>().verb, InstanceRequest::Verb::Full);
    QTRY_COMPARE_WITH_TIMEOUT(silent.state(), QLocalSocket::UnconnectedState, 10000);
}

QTEST_GUILESS_MAIN(InstanceTest)
#include "tst_instance.moc"
