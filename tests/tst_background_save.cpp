#include "common/BackgroundSave.h"

#include "TestSupport.h"

#include <QFile>
#include <QMessageBox>
#include <QRandomGenerator>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <QtTest>

#include <memory>

// Saving off the GUI thread: the window keeps answering while a screen-sized PNG is written, a
// second save of the same window is refused with a notice, and a save outlives its window and the
// event loop without being lost.
class TestBackgroundSave : public QObject
{
    Q_OBJECT

private slots:
    void windowAnswersWhileSavingAndRefusesASecondSave();
    void saveOutlivesItsWindow_data();
    void saveOutlivesItsWindow();
    void endOfRunWaitsAndReportsFailures();

private:
    QTemporaryDir dir;
};

namespace {

// A 4K desktop that does not compress to nothing: the pattern, with noise over a quarter of it.
QImage largePicture()
{
    QImage picture = support::patternImage(QSize(3840, 2160));
    QRandomGenerator noise(5);
    for (int y = 1080; y < picture.height(); ++y)
        noise.fillRange(reinterpret_cast<quint32 *>(picture.scanLine(y)) + 1920, 1920);
    return picture;
}

QMessageBox *messageOn(QWidget *window)
{
    return window->findChild<QMessageBox *>();
}

QMessageBox *messageOnItsOwn()
{
    for (QMessageBox *box : support::topLevels<QMessageBox>())
        if (!box->parentWidget())
            return box;
    return nullptr;
}

} // namespace

void TestBackgroundSave::windowAnswersWhileSavingAndRefusesASecondSave()
{
    QWidget window;
    window.show();
    const QImage picture = largePicture();
    const QString path = dir.filePath(QStringLiteral("large.png"));
    // Turns of the event loop before the file is there: none if the save held the GUI thread.
    int turnsWhileSaving = 0;
    QTimer turns;
    connect(&turns, &QTimer::timeout, this, [&] { turnsWhileSaving += !QFile::exists(path); });
    turns.start(1);
    bool saved = false;
    QVERIFY(savePictureInBackground(&window, picture, path, [&] { saved = true; }));
    QTRY_VERIFY_WITH_TIMEOUT(saved, 20000);
    QVERIFY2(turnsWhileSaving > 0, "the event loop stood still for the whole save");
    QVERIFY(!isSavingPicture(&window));
    QCOMPARE(support::asRgb32(QImage(path)), picture);

    // A second save of the same window while one runs: refused, and the user is told which file
    // is still being written.
    saved = false;
    const QString again = dir.filePath(QStringLiteral("again.png"));
    const QString second = dir.filePath(QStringLiteral("second.png"));
    QVERIFY(savePictureInBackground(&window, picture, again, [&] { saved = true; }));
    QVERIFY(!savePictureInBackground(&window, picture, second));
    QVERIFY(messageOn(&window));
    QVERIFY(messageOn(&window)->text().contains(QStringLiteral("还在保存")));
    QVERIFY(messageOn(&window)->text().contains(QStringLiteral("again.png")));
    delete messageOn(&window);
    QTRY_VERIFY_WITH_TIMEOUT(saved, 20000);
    QCOMPARE(support::asRgb32(QImage(again)), picture);
    QVERIFY(!QFile::exists(second));
    QVERIFY(!messageOn(&window));

    // Once it is written, the window saves again.
    QVERIFY(!refuseWhileSaving(&window));
    saved = false;
    QVERIFY(savePictureInBackground(&window, picture.copy(0, 0, 10, 10), second, [&] { saved = true; }));
    QTRY_VERIFY(saved);
    QCOMPARE(QImage(second).size(), QSize(10, 10));
}

void TestBackgroundSave::saveOutlivesItsWindow_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("writable");
    QTest::newRow("the file is written") << "closed.png" << true;
    QTest::newRow("the failure is still shown") << "no-such-folder/closed.png" << false;
}

void TestBackgroundSave::saveOutlivesItsWindow()
{
    QFETCH(QString, name);
    QFETCH(bool, writable);
    const QString path = dir.filePath(name);
    auto window = std::make_unique<QWidget>();
    QVERIFY(savePictureInBackground(window.get(), largePicture(), path));
    window.reset(); // closed while its save runs

    if (writable) {
        QTRY_VERIFY_WITH_TIMEOUT(QImage(path).size() == QSize(3840, 2160), 20000);
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(messageOnItsOwn(), 20000);
        QVERIFY(messageOnItsOwn()->text().contains(QDir::toNativeSeparators(path)));
        delete messageOnItsOwn();
        QVERIFY(!QFile::exists(path));
    }
}

void TestBackgroundSave::endOfRunWaitsAndReportsFailures()
{
    QWidget board;
    QWidget overlay;
    const QString written = dir.filePath(QStringLiteral("at-exit.png"));
    const QString failing = dir.filePath(QStringLiteral("no-such-folder/at-exit.png"));
    QVERIFY(savePictureInBackground(&board, largePicture(), written));
    QVERIFY(savePictureInBackground(&overlay, largePicture(), failing));

    // After the event loop: nothing more is delivered, so the wait itself must finish and report.
    const QStringList failures = finishPictureSaves();
    QCOMPARE(failures.size(), 1);
    QVERIFY2(failures.first().contains(QDir::toNativeSeparators(failing)), qPrintable(failures.first()));
    QCOMPARE(QImage(written).size(), QSize(3840, 2160));
    QVERIFY(!isSavingPicture(&board) && !isSavingPicture(&overlay));
    QCoreApplication::processEvents();
    QVERIFY(!messageOnItsOwn() && !messageOn(&board) && !messageOn(&overlay));
}

QTEST_MAIN(TestBackgroundSave)
#include "tst_background_save.moc"
