#include "app/CaptureSave.h"
#include "app/Home.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMediaPlayer>
#include <QPointer>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

// The panel's capture cycle on a real screen: the clipboard, the save dialog driven for real,
// and the timers and players of captures that follow each other quickly.
class TestCapturePanel : public QObject
{
    Q_OBJECT

private slots:
    void captureGoesToClipboardAtScreenSize();
    void savesThroughTheDialog();
    void cancelledDialogWritesNothing();
    void saveWithoutCaptureWritesNothing();
    void rapidCapturesReleaseEveryTimerAndPlayerOnce();
    void panelHiddenBeforeReturnsAfterCapture();

private:
    QTemporaryDir dir;
};

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList entriesIn(const QString &path)
{
    return QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// Answers the next save dialog from inside its own event loop: puts `fileName` into the name
// field and accepts it, or cancels it when `fileName` is empty. Remembers the dialog's
// caption and filters for checking.
struct DialogAnswer
{
    QString caption;
    QStringList filters;
    bool seen = false;
};

void answerNextSaveDialog(const QString &fileName, DialogAnswer *answer)
{
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [=] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll->deleteLater();
        answer->seen = true;
        answer->caption = dialog->windowTitle();
        answer->filters = dialog->nameFilters();
        if (fileName.isEmpty()) {
            dialog->reject();
            return;
        }
        auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        if (!edit) {
            dialog->reject();
            return;
        }
        // Set rather than typed: typing opens the name completer's popup, which then takes the
        // keys (typing through the real keyboard is covered end to end).
        edit->setText(fileName);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    poll->start(30);
}

} // namespace

void TestCapturePanel::captureGoesToClipboardAtScreenSize()
{
    Home home;
    home.show();
    QVERIFY(QTest::qWaitForWindowExposed(&home));
    home.image_cut();
    QVERIFY(home.isHidden());
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size()
                         * QGuiApplication::primaryScreen()->devicePixelRatio();
    QCOMPARE(home.lastCapture().size(), screen);
    QCOMPARE(QGuiApplication::clipboard()->image().size(), screen);
}

void TestCapturePanel::savesThroughTheDialog()
{
    Home home;
    home.image_cut();
    const QImage first = flattenOnWhite(home.lastCapture());
    QVERIFY(!first.isNull());

    const QString png = dir.filePath(QStringLiteral("dialog.png"));
    DialogAnswer answer;
    answerNextSaveDialog(png, &answer);
    home.image_save();
    QVERIFY(answer.seen);
    QCOMPARE(answer.caption, QStringLiteral("保存截图"));
    QCOMPARE(answer.filters, QStringList{QStringLiteral("Picture(*.png *.jpg)")});
    QCOMPARE(QImage(png).convertToFormat(QImage::Format_RGB32), first.convertToFormat(QImage::Format_RGB32));

    // A second save writes the same capture again.
    const QString again = dir.filePath(QStringLiteral("again.png"));
    answerNextSaveDialog(again, &answer);
    home.image_save();
    QCOMPARE(fileBytes(again), fileBytes(png));

    // A JPEG through the dialog: written, and of the capture's size.
    const QString jpg = dir.filePath(QStringLiteral("dialog.jpg"));
    answerNextSaveDialog(jpg, &answer);
    home.image_save();
    QVERIFY(fileBytes(jpg).startsWith("\xff\xd8\xff"));
    QCOMPARE(QImage(jpg).size(), first.size());
}

void TestCapturePanel::cancelledDialogWritesNothing()
{
    QTemporaryDir place;
    Home home;
    home.image_cut();
    DialogAnswer answer;
    answerNextSaveDialog(QString(), &answer);
    home.image_save();
    QVERIFY(answer.seen);
    QVERIFY(entriesIn(place.path()).isEmpty());
    QVERIFY(entriesIn(QDir::currentPath()).filter(QStringLiteral(".png")).isEmpty());
}

void TestCapturePanel::saveWithoutCaptureWritesNothing()
{
    // The dialog is still shown: the name is asked for before the capture is looked at.
    QTemporaryDir place;
    const QString path = place.filePath(QStringLiteral("nothing.png"));
    Home home;
    DialogAnswer answer;
    answerNextSaveDialog(path, &answer);
    home.image_save();
    QVERIFY(answer.seen);
    QVERIFY(!QFile::exists(path));
    QVERIFY(entriesIn(place.path()).isEmpty());
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
        // The earlier capture's timer and sound are stopped at once, before they are freed.
        if (!timers.isEmpty() && timers.last())
            QVERIFY(!timers.last()->isActive());
        if (!players.isEmpty() && players.last())
            QCOMPARE(players.last()->state(), QMediaPlayer::StoppedState);

        QTimer *timer = nullptr;
        for (QTimer *candidate : home.findChildren<QTimer *>(QStringLiteral("captureTimer")))
            if (candidate->isActive())
                timer = candidate;
        QMediaPlayer *player = nullptr;
        for (QMediaPlayer *candidate : home.findChildren<QMediaPlayer *>(QStringLiteral("shutterPlayer")))
            if (!players.contains(candidate))
                player = candidate;
        QVERIFY(timer);
        QVERIFY(player);
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

void TestCapturePanel::panelHiddenBeforeReturnsAfterCapture()
{
    Home home;
    home.show();
    QVERIFY(QTest::qWaitForWindowExposed(&home));
    home.hide();
    QElapsedTimer clock;
    clock.start();
    home.image_cut();
    QTRY_VERIFY_WITH_TIMEOUT(home.isVisible(), 5000);
    QVERIFY2(clock.elapsed() >= 1300, qPrintable(QString::number(clock.elapsed())));
}

QTEST_MAIN(TestCapturePanel)
#include "tst_capture_panel.moc"
