#include "app/ShutterSound.h"

#include <QFile>
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
};

void TestShutterSound::playsTheEmbeddedSoundToItsEnd()
{
    if (!QFile::exists(QStringLiteral(":/resources/music/cutMusic.mp3")))
        QSKIP("the resource :/resources/music/cutMusic.mp3 is not in resources.qrc yet");

    QObject owner;
    QMediaPlayer *player = startShutterSound(&owner);
    QCOMPARE(player->parent(), &owner);
    QCOMPARE(player->volume(), 50);
    QSignalSpy errors(player, qOverload<QMediaPlayer::Error>(&QMediaPlayer::error));
    QTRY_COMPARE_WITH_TIMEOUT(player->mediaStatus(), QMediaPlayer::EndOfMedia, 10000);
    QVERIFY2(errors.isEmpty(), qPrintable(player->errorString()));
    QCOMPARE(player->error(), QMediaPlayer::NoError);
}

QTEST_MAIN(TestShutterSound)
#include "tst_shutter_sound.moc"
