#include "BackgroundSave.h"

#include "FailureMessage.h"
#include "SafeSave.h"

#include <QDir>
#include <QFutureWatcher>
#include <QImage>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <QtConcurrent/QtConcurrentRun>

#include <utility>

namespace {

struct Outcome
{
    bool saved = false;
    SaveFailure failure;
};

struct RunningSave
{
    QPointer<QWidget> window; // null once the window is gone
    QString fileName;
    std::function<void()> saved;
    QFutureWatcher<Outcome> *watcher = nullptr;
};

// Touched on the GUI thread only; the workers see nothing but their own picture and name.
QList<RunningSave> &runningSaves()
{
    static QList<RunningSave> saves;
    return saves;
}

const RunningSave *runningSaveOf(const QWidget *window)
{
    for (const RunningSave &save : runningSaves())
        if (save.window && save.window == window)
            return &save;
    return nullptr;
}

void report(const RunningSave &save, const Outcome &outcome)
{
    if (outcome.saved) {
        if (save.window && save.saved)
            save.saved();
        return;
    }
    // A window closed meanwhile leaves the message standing on its own.
    showSaveFailure(save.window, save.fileName, outcome.failure.reason);
}

void finish(QFutureWatcher<Outcome> *watcher)
{
    QList<RunningSave> &saves = runningSaves();
    for (int i = 0; i < saves.size(); ++i) {
        if (saves.at(i).watcher != watcher)
            continue;
        const RunningSave save = saves.takeAt(i);
        watcher->deleteLater(); // its own signal is being delivered
        report(save, watcher->result());
        return;
    }
}

} // namespace

bool isSavingPicture(const QWidget *window)
{
    return runningSaveOf(window) != nullptr;
}

bool refuseWhileSaving(QWidget *window)
{
    const RunningSave *running = runningSaveOf(window);
    if (!running)
        return false;
    showNotice(window, QStringLiteral("还在保存 %1，请等它写完再保存。").arg(QDir::toNativeSeparators(running->fileName)));
    return true;
}

bool savePictureInBackground(QWidget *window, const QImage &picture, const QString &fileName,
                             std::function<void()> saved)
{
    if (refuseWhileSaving(window))
        return false;
    auto *watcher = new QFutureWatcher<Outcome>;
    runningSaves().append({window, fileName, std::move(saved), watcher});
    QObject::connect(watcher, &QFutureWatcherBase::finished, watcher, [watcher] { finish(watcher); });
    watcher->setFuture(QtConcurrent::run([picture, fileName] {
        Outcome outcome;
        outcome.saved = savePictureSafely(picture, fileName, &outcome.failure);
        return outcome;
    }));
    return true;
}

QStringList finishPictureSaves()
{
    QStringList failures;
    const QList<RunningSave> saves = std::exchange(runningSaves(), {});
    for (const RunningSave &save : saves) {
        save.watcher->disconnect(); // reported here, not by a signal that may still be queued
        save.watcher->waitForFinished();
        const Outcome outcome = save.watcher->result();
        if (!outcome.saved)
            failures << QStringLiteral("cannot save %1: %2")
                            .arg(QDir::toNativeSeparators(save.fileName), outcome.failure.detail);
        delete save.watcher;
    }
    return failures;
}
