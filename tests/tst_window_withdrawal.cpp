#include "platform/DelayedWithdrawal.h"

#include <QElapsedTimer>
#include <QWidget>
#include <QtTest>

// A compositor keeps drawing a window that goes while it is still being animated in, so the
// withdrawal must not report it gone before its opening time is over.
class TestWindowWithdrawal : public QObject
{
    Q_OBJECT

private slots:
    void windowJustShownWaitsOutItsOpening();
    void windowShownLongAgoGoesWithinFrames();
};

void TestWindowWithdrawal::windowJustShownWaitsOutItsOpening()
{
    DelayedWithdrawal withdrawal;
    QWidget window;
    withdrawal.follow(&window);
    window.show();
    QElapsedTimer sinceShown;
    sinceShown.start();

    qint64 goneAfter = -1;
    withdrawal.hide(&window, [&] { goneAfter = sinceShown.elapsed(); });
    QVERIFY(!window.isVisible());
    QTRY_VERIFY(goneAfter >= 0);
    QVERIFY2(goneAfter >= DelayedWithdrawal::openingMs,
             qPrintable(QString("gone after %1 ms").arg(goneAfter)));
}

void TestWindowWithdrawal::windowShownLongAgoGoesWithinFrames()
{
    DelayedWithdrawal withdrawal;
    QWidget window;
    withdrawal.follow(&window);
    window.show();
    QTest::qWait(DelayedWithdrawal::openingMs);

    bool gone = false;
    withdrawal.hide(&window, [&] { gone = true; });
    QVERIFY(!gone); // from the event loop, never inside hide()
    QTRY_VERIFY_WITH_TIMEOUT(gone, DelayedWithdrawal::openingMs);

    bool hiddenGone = false;
    withdrawal.hide(&window, [&] { hiddenGone = true; });
    QVERIFY(hiddenGone); // a window not on the screen is gone at once
}

QTEST_MAIN(TestWindowWithdrawal)
#include "tst_window_withdrawal.moc"
