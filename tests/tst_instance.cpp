#include "platform/InstanceGuard.h"

#include <QSharedMemory>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

// The single-instance guard, exercised with real processes: forked children claim the same key
// as the test, get killed, or race each other.
class InstanceTest : public QObject
{
    Q_OBJECT

private slots:
    void keySeparatesUsersAndDisplays_data();
    void keySeparatesUsersAndDisplays();
    void secondClaimInSameProcessIsRefused();
    void releasedKeyCanBeClaimedAgain();
    void markerOfKilledInstanceDoesNotBlock();
    void simultaneousClaimsLeaveExactlyOne();
    void markerAloneDecidesWithoutLockFolder();
    void anotherUsersInstanceIsIndependent();

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

bool segmentExists(const QString &key)
{
    // create() does not attach to an existing segment, so probing leaves it as it is.
    QSharedMemory probe(key);
    if (probe.create(1))
        return false; // the probe's own segment goes with it
    return probe.error() == QSharedMemory::AlreadyExists;
}

} // namespace

void InstanceTest::keySeparatesUsersAndDisplays_data()
{
    QTest::addColumn<uint>("uidA");
    QTest::addColumn<QString>("displayA");
    QTest::addColumn<uint>("uidB");
    QTest::addColumn<QString>("displayB");
    QTest::addColumn<bool>("same");

    QTest::newRow("same session") << 1000u << ":0" << 1000u << ":0" << true;
    QTest::newRow("other user") << 1000u << ":0" << 1001u << ":0" << false;
    QTest::newRow("other display") << 1000u << ":0" << 1000u << ":1" << false;
    QTest::newRow("screen of same display") << 1000u << ":0.0" << 1000u << ":0" << true;
    QTest::newRow("remote screen") << 1000u << "host:10.1" << 1000u << "host:10" << true;
    QTest::newRow("remote vs local") << 1000u << "host:0" << 1000u << ":0" << false;
    QTest::newRow("no display") << 1000u << "" << 1000u << ":0" << false;
}

void InstanceTest::keySeparatesUsersAndDisplays()
{
    QFETCH(uint, uidA);
    QFETCH(QString, displayA);
    QFETCH(uint, uidB);
    QFETCH(QString, displayB);
    QFETCH(bool, same);

    const QString a = instanceKey(uidA, displayA);
    QVERIFY(a.startsWith(QStringLiteral("tavo截图")));
    QCOMPARE(a == instanceKey(uidB, displayB), same);
}

void InstanceTest::secondClaimInSameProcessIsRefused()
{
    const QString key = freshKey();
    InstanceGuard first(key, lockDir.path());
    QVERIFY(first.claim());
    InstanceGuard second(key, lockDir.path());
    QVERIFY(!second.claim());
    QVERIFY(segmentExists(key));
}

void InstanceTest::releasedKeyCanBeClaimedAgain()
{
    const QString key = freshKey();
    {
        InstanceGuard first(key, lockDir.path());
        QVERIFY(first.claim());
    }
    QVERIFY(!segmentExists(key));
    InstanceGuard next(key, lockDir.path());
    QVERIFY(next.claim());
}

void InstanceTest::markerOfKilledInstanceDoesNotBlock()
{
    const QString key = freshKey();
    const QString dir = lockDir.path();
    const int ending = inChild([&] {
        InstanceGuard doomed(key, dir);
        if (!doomed.claim())
            return 1;
        ::kill(::getpid(), SIGKILL);
        return 2;
    });
    QCOMPARE(ending, 128 + SIGKILL);
    QVERIFY2(segmentExists(key), "the killed instance should have left its segment behind");

    {
        InstanceGuard next(key, dir);
        QVERIFY(next.claim());
        // It holds a marker of its own again, so a plain marker check still sees an instance.
        QVERIFY(segmentExists(key));
    }
    QVERIFY(!segmentExists(key));
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
    QVERIFY(!segmentExists(key));
}

void InstanceTest::markerAloneDecidesWithoutLockFolder()
{
    const QString key = freshKey();
    const QString missing = lockDir.filePath(QStringLiteral("no/such/folder"));
    InstanceGuard first(key, missing);
    QVERIFY(first.claim());
    InstanceGuard second(key, missing);
    QVERIFY(!second.claim());
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

QTEST_GUILESS_MAIN(InstanceTest)
#include "tst_instance.moc"
