#include "platform/InstanceGuard.h"

#include <QSharedMemory>
#include <QTest>
#include <QUuid>

// The single-instance guard of a Windows build: the named shared-memory marker alone decides,
// and Windows removes it with the last handle, however its owner ended.
class InstanceWindowsTest : public QObject
{
    Q_OBJECT

private slots:
    void keyIsTheBaseText();
    void secondClaimIsRefusedWhileTheFirstHoldsTheKey();
    void releasedKeyCanBeClaimedAgain();

private:
    // A key no other test run uses, so parallel runs never meet.
    static QString freshKey()
    {
        return QString::fromUtf8(instanceKeyBase) + QUuid::createUuid().toString();
    }
};

namespace {

bool segmentExists(const QString &key)
{
    QSharedMemory probe(key);
    if (probe.attach(QSharedMemory::ReadOnly)) {
        probe.detach();
        return true;
    }
    return false;
}

} // namespace

void InstanceWindowsTest::keyIsTheBaseText()
{
    // Named objects are private to the log-on session already; the key needs nothing added.
    QCOMPARE(currentInstanceKey(), QStringLiteral("tavo截图"));
}

void InstanceWindowsTest::secondClaimIsRefusedWhileTheFirstHoldsTheKey()
{
    const QString key = freshKey();
    InstanceGuard first(key);
    QVERIFY(first.claim());
    QVERIFY(first.isClaimed());
    QVERIFY(segmentExists(key));

    InstanceGuard second(key);
    QVERIFY(!second.claim());
    QVERIFY(!second.isClaimed());
}

void InstanceWindowsTest::releasedKeyCanBeClaimedAgain()
{
    const QString key = freshKey();
    {
        InstanceGuard first(key);
        QVERIFY(first.claim());
    }
    QVERIFY(!segmentExists(key));
    InstanceGuard next(key);
    QVERIFY(next.claim());
}

QTEST_GUILESS_MAIN(InstanceWindowsTest)
#include "tst_instance_windows.moc"
