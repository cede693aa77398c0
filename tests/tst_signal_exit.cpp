#include "platform/unix/UnixSignalExit.h"

#include <QCoreApplication>
#include <QTest>
#include <QTimer>

#include <csignal>

// What the signal handling must leave as it was: a signal the caller ignored (nohup) stays ignored,
// and the previous handler comes back. (That SIGTERM, SIGINT and SIGHUP end the program with 0 is
// checked end to end.)
class SignalExitTest : public QObject
{
    Q_OBJECT

private slots:
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
