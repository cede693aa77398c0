#include "FocusedClipboardRead.h"

#include "platform/ClipboardReading.h"

#include <QGuiApplication>
#include <QTimer>
#include <QWidget>
#include <QWindow>

void FocusedClipboardRead::start(QObject *context, int patienceMs, std::function<void(const ClipboardContent &)> done)
{
    auto *read = new FocusedClipboardRead(context, std::move(done));
    read->showFocusWindow(patienceMs);
}

FocusedClipboardRead::FocusedClipboardRead(QObject *context, std::function<void(const ClipboardContent &)> done)
    : QObject(context)
    , done(std::move(done))
{
}

FocusedClipboardRead::~FocusedClipboardRead() = default;

void FocusedClipboardRead::showFocusWindow(int patienceMs)
{
    focusWindow = std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint);
    focusWindow->setAttribute(Qt::WA_TranslucentBackground);
    focusWindow->setWindowTitle(QStringLiteral("TAVO截图"));
    focusWindow->resize(1, 1);
    // Taken up once the toolkit has finished announcing the focus, which it does with the window
    // in hand: the window goes as soon as the clipboard is read.
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow *focused) {
        if (focusWindow && focused && focused == focusWindow->windowHandle())
            QTimer::singleShot(0, this, &FocusedClipboardRead::takeFocus);
    });
    patience = new QTimer(this);
    patience->setSingleShot(true);
    connect(patience, &QTimer::timeout, this, [this, patienceMs] {
        finish(ClipboardContent{{}, {}, {},
                                QStringLiteral("桌面在 %1 秒内没有把键盘焦点交给本程序").arg(patienceMs / 1000.0)});
    });
    patience->start(patienceMs);
    focusWindow->show();
}

void FocusedClipboardRead::takeFocus()
{
    if (!done)
        return;
    // The compositor names the clipboard's offer just before it gives the focus: it is known now.
    patience->stop();
    finish(toolkitClipboardPicture());
}

void FocusedClipboardRead::finish(const ClipboardContent &content)
{
    if (!done)
        return;
    focusWindow->hide();
    focusWindow.release()->deleteLater();
    const std::function<void(const ClipboardContent &)> answer = std::move(done);
    done = nullptr;
    deleteLater();
    answer(content);
}
