#include "app/DelayedCapture.h"
#include "capture/PictureCut.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

// The wait before a capture, and where a window's frame falls in the picture taken after it.
class DelayedCaptureTest : public QObject
{
    Q_OBJECT

private slots:
    void countsDownOnceAndRunsOnce();
    void secondWaitIsRefusedWhileOneWaits();
    void frameInPart_data();
    void frameInPart();
};

void DelayedCaptureTest::countsDownOnceAndRunsOnce()
{
    DelayedCapture delay;
    QSignalSpy seconds(&delay, &DelayedCapture::secondsLeft);
    int runs = 0;
    QElapsedTimer clock;
    clock.start();
    QVERIFY(delay.start(2100, [&] { ++runs; }));
    QVERIFY(delay.isWaiting());
    QCOMPARE(runs, 0);
    QTRY_COMPARE_WITH_TIMEOUT(runs, 1, 5000);
    QVERIFY(clock.elapsed() >= 2100);
    QVERIFY(!delay.isWaiting());
    QList<int> shown;
    for (const QList<QVariant> &signal : seconds)
        shown.append(signal.first().toInt());
    QCOMPARE(shown, (QList<int>{3, 2, 1, 0}));
    // Nothing more after the run.
    QTest::qWait(200);
    QCOMPARE(runs, 1);
}

void DelayedCaptureTest::secondWaitIsRefusedWhileOneWaits()
{
    DelayedCapture delay;
    int first = 0, second = 0;
    QVERIFY(delay.start(300, [&] { ++first; }));
    QVERIFY(!delay.start(100, [&] { ++second; }));
    QVERIFY(!delay.start(0, [&] { ++second; }));
    QTRY_COMPARE(first, 1);
    QCOMPARE(second, 0);
    // Once it has run, the next one is taken; without a wait it runs at once.
    QVERIFY(delay.start(0, [&] { ++second; }));
    QCOMPARE(second, 1);
    QVERIFY(!delay.isWaiting());
}

void DelayedCaptureTest::frameInPart_data()
{
    QTest::addColumn<QRect>("frame");   // window-system coordinates
    QTest::addColumn<QRect>("screen");  // the screen there
    QTest::addColumn<QRect>("part");    // its part of the picture
    QTest::addColumn<QRect>("expected");
    QTest::newRow("same scale") << QRect(100, 50, 300, 200) << QRect(0, 0, 1920, 1080) << QRect(0, 0, 1920, 1080)
                                << QRect(100, 50, 300, 200);
    QTest::newRow("second screen, to the right") << QRect(2000, 10, 100, 100) << QRect(1920, 0, 1280, 1024)
                                                 << QRect(1920, 0, 1280, 1024) << QRect(2000, 10, 100, 100);
    QTest::newRow("logical layout, picture at twice") << QRect(10, 20, 100, 50) << QRect(0, 0, 960, 540)
                                                      << QRect(0, 0, 1920, 1080) << QRect(20, 40, 200, 100);
    QTest::newRow("clipped at the screen's edge") << QRect(1800, 1000, 300, 200) << QRect(0, 0, 1920, 1080)
                                                  << QRect(0, 0, 1920, 1080) << QRect(1800, 1000, 120, 80);
    QTest::newRow("on another screen") << QRect(2000, 10, 100, 100) << QRect(0, 0, 1920, 1080)
                                       << QRect(0, 0, 1920, 1080) << QRect();
}

void DelayedCaptureTest::frameInPart()
{
    QFETCH(QRect, frame);
    QFETCH(QRect, screen);
    QFETCH(QRect, part);
    QFETCH(QRect, expected);
    const QRect found = ::frameInPart(frame, screen, part);
    if (expected.isNull())
        QVERIFY(found.isEmpty());
    else
        QCOMPARE(found, expected);
}

QTEST_GUILESS_MAIN(DelayedCaptureTest)
#include "tst_delayed_capture.moc"
