#include "platform/ShutterSound.h"

#include <QMediaPlayer>
#include <QSignalSpy>
#include <QtTest>

// The shutter sound as the capture starts it: the embedded MP3 must reach its end through the
// media back end (a null audio sink is forced in the test environment).
class TestShutterSound : public QObject
{
    Q_OBJECT

private slots:
    void playsTheEmbeddedSoundToItsEnd();
    void stoppingWhileStartingNeverBlocks();
};

void TestShutterSound::playsTheEmbeddedSoundToItsEnd()
{
    QObject owner;
    QMediaPlayer *player = startShutterSound(&owner);
    QCOMPARE(player->parent(), &owner);
    QCOMPARE(player->volume(), 50);
    QSignalSpy errors(player, qOverload<QMediaPlayer::Error>(&QMediaPlayer::error));
    QTRY_COMPARE_WITH_TIMEOUT(player->mediaStatus(), QMediaPlayer::EndOfMedia, 10000);
    QVERIFY2(errors.isEmpty(), qPrintable(player->errorString()));
    QCOMPARE(player->error(), QMediaPlayer::NoError);
}

void TestShutterSound::stoppingWhileStartingNeverBlocks()
{
    // Captures in quick succession stop a player at any moment of its start-up and free it while
    // the next one starts. Fed through appsrc this deadlocked now and then inside GStreamer,
    // freezing the program: the test then never ends and runs into its time-out.
    QObject owner;
    QMediaPlayer *previous = nullptr;
    for (int round = 0; round < 40; ++round) {
        if (previous) {
            previous->stop();
            previous->deleteLater();
        }
        previous = startShutterSound(&owner);
        QTest::qWait(round % 10 * 30);
    }
}

QTEST_MAIN(TestShutterSound)
#include "tst_shutter_sound.moc"
