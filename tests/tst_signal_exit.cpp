#include "app/UnixSignalExit.h"

#include <QCoreApplication>
#include <QTest>
#include <QTimer>

#include <csignal>

// Ending signals leave the event loop with code 0, like the exit menu entry.
class SignalExitTest : public QObject
{
    Q_OBJECT

private slots:
    void signalLeavesLoopWithZero_data();
    void signalLeavesLoopWithZero();
    void ignoredSignalStaysIgnored();
    void previousHandlerComesBack();
};

namespace {

// Runs the event loop until something exits it; a time-out exits with 99.
int runLoop(int timeoutMs = 5000)
{
    QTimer::singleShot(timeoutMs, [] { QCoreApplication::exit(99); });
    return QCoreApplication::exec();
}

} // namespace

void SignalExitTest::signalLeavesLoopWithZero_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGHUP") << SIGHUP;
}

void SignalExitTest::signalLeavesLoopWithZero()
{
    QFETCH(int, signalNumber);
    UnixSignalExit exiter;
    QTimer::singleShot(0, [=] { ::raise(signalNumber); });
    QCOMPARE(runLoop(), 0);
    QCOMPARE(exiter.lastSignal(), signalNumber);
}

void SignalExitTest::ignoredSignalStaysIgnored()
{
    const auto previous = std::signal(SIGHUP, SIG_IGN);
    {
        UnixSignalExit exiter;
        QTimer::singleShot(0, [] { ::raise(SIGHUP); });
        QTimer::singleShot(300, [] { QCoreApplication::exit(7); });
        QCOMPARE(runLoop(), 7);
        QCOMPARE(exiter.lastSignal(), 0);
    }
    std::signal(SIGHUP, previous);
}

extern "C" void countingHandler(int) {}

void SignalExitTest::previousHandlerComesBack()
{
    const auto previous = std::signal(SIGTERM, countingHandler);
    {
        UnixSignalExit exiter;
        struct sigaction during = {};
        ::sigaction(SIGTERM, nullptr, &during);
        QVERIFY(during.sa_handler != countingHandler);
    }
    struct sigaction after = {};
    ::sigaction(SIGTERM, nullptr, &after);
    QVERIFY(after.sa_handler == countingHandler);
    std::signal(SIGTERM, previous);
}

QTEST_GUILESS_MAIN(SignalExitTest)
#include "tst_signal_exit.moc"
