#include "platform/GrabAnswer.h"
#include "platform/wayland/GrimDesktopGrabber.h"

#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// A grab still under way when its context goes says nothing more: not while the context is torn
// down (a panel on quit or SIGTERM), nor afterwards.
class TestGrabLifetime : public QObject
{
    Q_OBJECT

private slots:
    void grimRunEndsSilentlyWithItsContext();
    void answersOnceFromTheEventLoop();
    void noAnswerOnceTheContextIsGone();
    void timeLimitEndsWithItsOwner_data();
    void timeLimitEndsWithItsOwner();
    void timeLimitMayDropItsOwner();
    void handsOverToTheFallback();
};

namespace {

DesktopPicture onePixel()
{
    DesktopPicture picture;
    picture.image = QImage(1, 1, QImage::Format_RGB32);
    picture.image.fill(Qt::red);
    return picture;
}

// Runs a loop of its own for `ms`, as a modal dialog opened from an answer does.
void nestedLoop(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// A grabber that only counts and keeps what it is asked for.
class CountingGrabber : public DesktopGrabber
{
public:
    void grab(QObject *context, Done done) override
    {
        contexts << context;
        done(DesktopPicture::failed(QStringLiteral("x"), QStringLiteral("from the fallback")));
    }
    QList<QObject *> contexts;
};

} // namespace

void TestGrabLifetime::grimRunEndsSilentlyWithItsContext()
{
    // A grim that never finishes of itself, and says when it has started.
    QTemporaryDir dir;
    const QString started = dir.filePath(QStringLiteral("started"));
    const QString grim = dir.filePath(QStringLiteral("grim"));
    QFile script(grim);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write(QStringLiteral("#!/bin/sh\ntouch '%1'\nexec sleep 30\n").arg(started).toUtf8());
    script.close();
    QVERIFY(script.setPermissions(script.permissions() | QFileDevice::ExeOwner));

    GrimDesktopGrabber grabber(grim);
    int answers = 0;
    auto *context = new QObject;
    grabber.grab(context, [&answers](const DesktopPicture &) { ++answers; });
    QTRY_VERIFY(QFile::exists(started));

    // Its process is killed and reaped as the context goes, which reports the process's end.
    delete context;
    QCoreApplication::processEvents();
    QCOMPARE(answers, 0);
}

void TestGrabLifetime::answersOnceFromTheEventLoop()
{
    QObject context;
    QList<DesktopPicture> answers;
    GrabAnswer answer(&context, [&answers](const DesktopPicture &picture) { answers << picture; });
    answer.answer(onePixel());
    // Not yet: the caller may still be inside the window system's dispatch.
    QVERIFY(answers.isEmpty());
    QVERIFY(answer.isOver());
    answer.answer(DesktopPicture::failed(QStringLiteral("second"), QString()));
    answer.handOver(std::make_shared<CountingGrabber>(), DesktopPicture());
    QTRY_COMPARE(answers.size(), 1);
    QTest::qWait(50);
    QCOMPARE(answers.size(), 1);
    QCOMPARE(answers.first().image.pixel(0, 0), QColor(Qt::red).rgb());
}

void TestGrabLifetime::noAnswerOnceTheContextIsGone()
{
    int answers = 0;
    auto *context = new QObject;
    GrabAnswer answer(context, [&answers](const DesktopPicture &) { ++answers; });
    answer.answer(onePixel());
    delete context;
    QTest::qWait(50);
    QCOMPARE(answers, 0);
}

void TestGrabLifetime::timeLimitEndsWithItsOwner_data()
{
    QTest::addColumn<bool>("answered");
    // The owner answered and was dropped; the answer then opens a dialog that outlasts the time
    // limit. A limit still ticking would run into the owner's freed memory.
    QTest::newRow("answered, dialog in the answer") << true;
    // The owner was dropped unanswered (its grabber went).
    QTest::newRow("dropped unanswered") << false;
}

void TestGrabLifetime::timeLimitEndsWithItsOwner()
{
    QFETCH(bool, answered);
    QObject context;
    int answers = 0;
    int expired = 0;
    auto owner = std::make_unique<GrabAnswer>(&context, [&answers](const DesktopPicture &) {
        ++answers;
        nestedLoop(200);
    });
    owner->expireAfter(30, [&expired] { ++expired; });
    if (answered)
        owner->answer(onePixel());
    owner.reset();
    QTRY_COMPARE(answers, answered ? 1 : 0);
    QTest::qWait(100);
    QCOMPARE(expired, 0);
    QCOMPARE(answers, answered ? 1 : 0);
}

void TestGrabLifetime::timeLimitMayDropItsOwner()
{
    // The time limit answers and drops its owner from inside its own call, as a grabber's
    // time-out does.
    QObject context;
    QList<DesktopPicture> answers;
    auto owner = std::make_unique<GrabAnswer>(&context, [&answers](const DesktopPicture &picture) { answers << picture; });
    owner->expireAfter(10, [&owner] {
        owner->answer(DesktopPicture::failed(QStringLiteral("慢"), QStringLiteral("too slow")));
        owner.reset();
    });
    QTRY_COMPARE(answers.size(), 1);
    QVERIFY(!owner);
    QCOMPARE(answers.first().detail, QStringLiteral("too slow"));
}

void TestGrabLifetime::handsOverToTheFallback()
{
    QObject context;
    QStringList details;
    auto record = [&details](const DesktopPicture &picture) { details << picture.detail; };
    const auto fallback = std::make_shared<CountingGrabber>();
    GrabAnswer handed(&context, record);
    handed.handOver(fallback, DesktopPicture::failed(QStringLiteral("x"), QStringLiteral("own failure")));
    // From the event loop too, with the same context and callback.
    QVERIFY(fallback->contexts.isEmpty());
    QTRY_COMPARE(fallback->contexts, QList<QObject *>{&context});
    QCOMPARE(details, QStringList{QStringLiteral("from the fallback")});

    // Without a fallback the failure itself is the answer.
    GrabAnswer alone(&context, record);
    alone.handOver(nullptr, DesktopPicture::failed(QStringLiteral("x"), QStringLiteral("own failure")));
    QTRY_COMPARE(details.size(), 2);
    QCOMPARE(details.last(), QStringLiteral("own failure"));
    QCOMPARE(fallback->contexts.size(), 1);
}

QTEST_MAIN(TestGrabLifetime)
#include "tst_grab_lifetime.moc"
