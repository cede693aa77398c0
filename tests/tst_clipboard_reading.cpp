// Reading the clipboard's picture: which offered type is read, and a paste taken from its pipe
// whole, or given up when its owner stalls or sends too much.
#include "platform/ClipboardReading.h"

#ifdef TAVO_WAYLAND_DATA_CONTROL
#include "platform/wayland/PasteReader.h"

#include <QElapsedTimer>

#include <csignal>
#include <thread>
#include <unistd.h>
#endif

#include <QtTest>

class TestClipboardReading : public QObject
{
    Q_OBJECT

private slots:
    void bestPictureType_data();
    void bestPictureType();
#ifdef TAVO_WAYLAND_DATA_CONTROL
    void readPaste_data();
    void readPaste();
#endif
};

void TestClipboardReading::bestPictureType_data()
{
    QTest::addColumn<QStringList>("offered");
    QTest::addColumn<QString>("chosen");
    QTest::newRow("png among others") << QStringList{"text/plain", "image/jpeg", "image/png", "image/bmp"}
                                      << "image/png";
    QTest::newRow("lossless before lossy") << QStringList{"image/jpeg", "image/gif", "image/bmp"} << "image/bmp";
    QTest::newRow("gif before jpeg") << QStringList{"image/jpeg", "image/gif"} << "image/gif";
    QTest::newRow("case and parameters kept as offered") << QStringList{"IMAGE/PNG; charset=binary"}
                                                         << "IMAGE/PNG; charset=binary";
    // Their decoders may hold a picture of any size, unknown before decoding.
    QTest::newRow("no size stated before decoding")
        << QStringList{"image/svg+xml", "image/x-icon", "image/tiff", "image/pngx"} << QString();
    QTest::newRow("text only") << QStringList{"text/plain;charset=utf-8", "UTF8_STRING"} << QString();
    QTest::newRow("nothing") << QStringList() << QString();
}

void TestClipboardReading::bestPictureType()
{
    QFETCH(QStringList, offered);
    QFETCH(QString, chosen);
    QCOMPARE(::bestPictureType(offered), chosen);
}

#ifdef TAVO_WAYLAND_DATA_CONTROL
void TestClipboardReading::readPaste_data()
{
    QTest::addColumn<int>("bytes");
    QTest::addColumn<bool>("ownerCloses");
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<bool>("whole");
    // Several times a pipe's buffer: the reader must wait for the rest.
    QTest::newRow("whole paste") << 1000000 << true << largestPasteBytes << true;
    QTest::newRow("empty paste") << 0 << true << largestPasteBytes << true;
    QTest::newRow("owner stalls") << 1000 << false << largestPasteBytes << false;
    QTest::newRow("more than the limit") << 300000 << true << qint64(100000) << false;
}

void TestClipboardReading::readPaste()
{
    QFETCH(int, bytes);
    QFETCH(bool, ownerCloses);
    QFETCH(qint64, limit);
    QFETCH(bool, whole);
    constexpr int deadlineMs = 500;
    int ends[2];
    QCOMPARE(::pipe(ends), 0);
    QByteArray sent(bytes, '\0');
    for (int i = 0; i < bytes; ++i)
        sent[i] = char(i * 7 + i / 251);
    std::thread owner([&] {
        for (qint64 at = 0; at < sent.size();) {
            const ssize_t written = ::write(ends[1], sent.constData() + at, size_t(sent.size() - at));
            if (written <= 0)
                break;
            at += written;
        }
        if (ownerCloses)
            ::close(ends[1]);
    });

    // A reader that stops early closes the pipe on the writing owner.
    std::signal(SIGPIPE, SIG_IGN);
    QElapsedTimer clock;
    clock.start();
    const PasteRead read = ::readPaste(ends[0], deadlineMs, limit);
    const qint64 took = clock.elapsed();
    owner.join();
    if (!ownerCloses)
        ::close(ends[1]);

    QVERIFY2(took < deadlineMs + 500, qPrintable(QString::number(took)));
    QCOMPARE(read.failure.isEmpty(), whole);
    QCOMPARE(read.bytes, whole ? sent : QByteArray());
}
#endif

QTEST_MAIN(TestClipboardReading)
#include "tst_clipboard_reading.moc"
