#include "capture/CaptureSave.h"
#include "app/Home.h"
#include "common/BackgroundSave.h"

#include "TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFile>
#include <QMediaPlayer>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

// The panel's capture cycle on a real screen: the save dialog driven for real, and the timers and
// players of captures that follow each other quickly. (The clipboard and the panel's return are
// checked end to end.)
class TestCapturePanel : public QObject
{
    Q_OBJECT

private slots:
    void savesThroughTheDialog();
    void saveWithoutCaptureWritesNothing();
    void rapidCapturesReleaseEveryTimerAndPlayerOnce();
    void saveDuringTheGrabWaitsForIt();

private:
    QTemporaryDir dir;
};

namespace {

using support::FileDialogAnswerer;
using support::fileBytes;

QMediaPlayer *newPlayer(const Home &home, const QVector<QPointer<QMediaPlayer>> &known)
{
    for (QMediaPlayer *candidate : home.findChildren<QMediaPlayer *>(QStringLiteral("shutterPlayer")))
        if (!known.contains(candidate))
            return candidate;
    return nullptr;
}

// Saves are written on a worker thread: this returns once the file is complete.
void saveAs(Home &home, const QString &path)
{
    FileDialogAnswerer answer(path);
    home.image_save();
    QTRY_VERIFY(!isSavingPicture(&home));
}

} // namespace

void TestCapturePanel::savesThroughTheDialog()
{
    Home home;
    home.image_cut();
    const QImage first = flattenOnWhite(home.lastCapture());
    QVERIFY(!first.isNull());
    // The desktop is opaque: painted over white, nothing of the white shows through.
    const QImage grabbed = home.lastCapture().toImage();
    QCOMPARE(first.pixel(first.width() / 2, first.height() / 2), grabbed.pixel(grabbed.width() / 2, grabbed.height() / 2));

    const QString png = dir.filePath(QStringLiteral("dialog.png"));
    {
        FileDialogAnswerer answer(png);
        home.image_save();
        QVERIFY(answer.seen);
        QCOMPARE(answer.caption, QStringLiteral("保存截图"));
        QCOMPARE(answer.filters, QStringList{QStringLiteral("Picture(*.png *.jpg)")});
        QTRY_VERIFY(!isSavingPicture(&home));
    }
    QCOMPARE(QImage(png).convertToFormat(QImage::Format_RGB32), first.convertToFormat(QImage::Format_RGB32));

    // A second save writes the same capture again.
    const QString again = dir.filePath(QStringLiteral("again.png"));
    saveAs(home, again);
    QCOMPARE(fileBytes(again), fileBytes(png));

    // A JPEG through the dialog: written, and of the capture's size.
    const QString jpg = dir.filePath(QStringLiteral("dialog.jpg"));
    saveAs(home, jpg);
    QVERIFY(fileBytes(jpg).startsWith(support::jpegMagic));
    QCOMPARE(QImage(jpg).size(), first.size());
}

void TestCapturePanel::saveWithoutCaptureWritesNothing()
{
    // The dialog is still shown: the name is asked for before the capture is looked at. Then the
    // user is told there is nothing to save yet, away from the panel in its corner.
    QTemporaryDir place;
    const QString path = place.filePath(QStringLiteral("nothing.png"));
    Home home;
    home.show();
    const QRect screen = home.screen()->geometry();
    home.move(screen.right() - home.width(), screen.bottom() - home.height() - 40);
    QVERIFY(QTest::qWaitForWindowExposed(&home));
    FileDialogAnswerer answer(path);
    home.image_save();
    QVERIFY(answer.seen);
    QVERIFY(support::entriesIn(place.path()).isEmpty());
    auto *notice = home.findChild<QMessageBox *>();
    QVERIFY(notice);
    QVERIFY(notice->isVisible());
    QVERIFY(notice->text().contains(QStringLiteral("还没有截图")));
    QVERIFY(QTest::qWaitForWindowExposed(notice));
    QVERIFY(!notice->frameGeometry().intersects(home.frameGeometry()));
}

void TestCapturePanel::rapidCapturesReleaseEveryTimerAndPlayerOnce()
{
    Home home;
    home.show();
    QVERIFY(QTest::qWaitForWindowExposed(&home));

    int timersDestroyed = 0;
    QVector<QPointer<QTimer>> timers;
    QVector<QPointer<QMediaPlayer>> players;
    constexpr int captures = 3;
    for (int i = 0; i < captures; ++i) {
        home.image_cut();
        QVERIFY(home.isHidden());
        // The capture is taken once the panel has left the screen; its timer and sound start then.
        QMediaPlayer *player = nullptr;
        QTRY_VERIFY(player = newPlayer(home, players));
        // The earlier capture's timer and sound are stopped at once, before they are freed.
        if (!timers.isEmpty() && timers.last())
            QVERIFY(!timers.last()->isActive());
        if (!players.isEmpty() && players.last())
            QCOMPARE(players.last()->state(), QMediaPlayer::StoppedState);

        QTimer *timer = nullptr;
        for (QTimer *candidate : home.findChildren<QTimer *>(QStringLiteral("captureTimer")))
            if (candidate->isActive())
                timer = candidate;
        QVERIFY(timer);
        connect(timer, &QObject::destroyed, this, [&] { ++timersDestroyed; });
        timers << timer;
        players << player;
        QTest::qWait(300);
        QVERIFY(home.isHidden());
    }

    // The last capture's timer brings the panel back; every timer and player is gone, once each
    // (a second delete would crash here, a missing one leaves a pointer set).
    QTRY_VERIFY_WITH_TIMEOUT(home.isVisible(), 5000);
    QTRY_COMPARE(timersDestroyed, captures);
    QTRY_VERIFY(std::all_of(players.begin(), players.end(), [](const QPointer<QMediaPlayer> &p) { return p.isNull(); }));
    QVERIFY(std::all_of(timers.begin(), timers.end(), [](const QPointer<QTimer> &t) { return t.isNull(); }));
    QVERIFY(home.findChildren<QTimer *>(QStringLiteral("captureTimer")).isEmpty());
    QVERIFY(home.findChildren<QMediaPlayer *>(QStringLiteral("shutterPlayer")).isEmpty());
    QTest::qWait(200);
    QCOMPARE(timersDestroyed, captures);
    QVERIFY(home.isVisible());
}

void TestCapturePanel::saveDuringTheGrabWaitsForIt()
{
    // Ctrl+Alt+S right after Ctrl+Alt+X: the dialog must not be in the picture, and the panel,
    // back after its time away, must not cover the dialog. The panel sits in the middle of the
    // screen, where the dialog opens.
    Home home;
    home.show();
    QVERIFY(QTest::qWaitForWindowExposed(&home));
    const QPoint middle = home.screen()->geometry().center();
    home.move(middle - QPoint(home.width() / 2, home.height() / 2));
    QTRY_COMPARE(QApplication::topLevelAt(middle), &home);

    bool dialogSeen = false;
    bool capturedBeforeDialog = false;
    bool panelBackUnderDialog = false;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        if (!dialogSeen) {
            dialogSeen = true;
            capturedBeforeDialog = !home.lastCapture().isNull();
        }
        // The dialog stays open until the panel is back, and then a moment for the window
        // manager to stack them.
        static QElapsedTimer sinceBack;
        if (!home.isVisible()) {
            sinceBack.invalidate();
            return;
        }
        if (!sinceBack.isValid())
            sinceBack.start();
        if (sinceBack.elapsed() < 300)
            return;
        panelBackUnderDialog = QApplication::topLevelAt(middle) != &home;
        watch.stop();
        dialog->reject();
    });
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    watch.start(20);

    home.image_cut();
    home.image_save();
    // Not yet: the panel is still leaving the screen.
    QVERIFY(!dialogSeen);
    QTRY_VERIFY_WITH_TIMEOUT(dialogSeen && !watch.isActive(), 10000);
    QVERIFY(capturedBeforeDialog);
    QVERIFY(panelBackUnderDialog);
    QVERIFY(home.isVisible());
}

QTEST_MAIN(TestCapturePanel)
#include "tst_capture_panel.moc"
