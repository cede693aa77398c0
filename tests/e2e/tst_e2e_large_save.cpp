// Saving a full-screen capture of a 4K desktop (TAVO_SCREEN, see CMakeLists.txt) from outside the
// program: while the PNG is encoded and written, the program goes on answering another client's
// clipboard requests, and the file holds the capture pixel for pixel once it appears.
#include "Desktop.h"
#include "TestSupport.h"

#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using namespace e2e;

class TestE2eLargeSave : public QObject
{
    Q_OBJECT

private slots:
    void programAnswersWhileALargeCaptureIsSaved();
};

namespace {

const QSize screen(3840, 2160);

// Noise: no encoder squeezes it, so writing its PNG takes long enough to be seen from outside.
QImage noise()
{
    QImage picture(screen, QImage::Format_RGB32);
    QRandomGenerator random(9);
    for (int y = 0; y < picture.height(); ++y)
        random.fillRange(reinterpret_cast<quint32 *>(picture.scanLine(y)), picture.width());
    return support::asRgb32(picture);
}

bool showOnRoot(const QImage &picture, const QTemporaryDir &dir)
{
    const QString file = dir.filePath(QStringLiteral("root.ppm"));
    if (!picture.save(file, "PPM"))
        return false;
    run(QStringLiteral("display"), {QStringLiteral("-window"), QStringLiteral("root"), file}, nullptr, 60000);
    return true;
}

} // namespace

void TestE2eLargeSave::programAnswersWhileALargeCaptureIsSaved()
{
    QTemporaryDir dir;
    const QImage desktop = noise();
    QVERIFY(showOnRoot(desktop, dir));
    Program program;
    QVERIFY(!panelWindow(program.pid()).isEmpty());
    ForeignWindow foreign;
    QVERIFY(foreign.activate());
    QVERIFY(clearClipboard());
    key(QStringLiteral("ctrl+alt+x"));
    QVERIFY(waitForClipboardImage());

    const QString path = dir.filePath(QStringLiteral("large.png"));
    QVERIFY(foreign.activate());
    key(QStringLiteral("ctrl+alt+s"));
    QVERIFY(answerFileDialog(QStringLiteral("保存截图"), path));
    // The file appears complete, renamed into place, once the save is over. Every answer that
    // comes while it is not there yet came while the save ran.
    int answeredWhileSaving = 0;
    QVERIFY(waitUntil([&] {
        if (clipboardTargets().contains(QStringLiteral("image/png")) && !QFile::exists(path))
            ++answeredWhileSaving;
        return QFile::exists(path);
    }, 60000));
    QVERIFY2(answeredWhileSaving > 0, "the program answered no clipboard request while it saved");

    const QImage saved(path);
    QCOMPARE(saved.size(), screen);
    // Beside the foreign window (top left) and the tray (along the bottom) the capture holds the
    // desktop's own pixels.
    const QRect beside(600, 0, screen.width() - 600, screen.height() - 100);
    QCOMPARE(support::asRgb32(saved).copy(beside), desktop.copy(beside));
}

QTEST_GUILESS_MAIN(TestE2eLargeSave)
#include "tst_e2e_large_save.moc"
