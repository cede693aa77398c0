#include "Home.h"

#include "board/DrawBoard.h"
#include "capture/FreedomCut.h"
#include "help/Help.h"

#include "app/CaptureSave.h"
#include "app/DesktopGrab.h"
#include "app/GlobalHotKeys.h"
#include "app/HotKeyTable.h"
#include "app/ShutterSound.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMediaPlayer>
#include <QMouseEvent>
#include <QTimer>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

// How long the panel stays away after a full-screen capture.
constexpr int captureHiddenMs = 1400;

} // namespace

Home::Home(QWidget *parent)
    : QWidget(parent)
{
    registerHotKeys();
    createTrayIcon();
    applyPanelStyle();
    createButtons();
}

Home::~Home()
{
    unregisterHotKeys();
}

// ---- hot keys ---------------------------------------------------------------------------------

void Home::registerHotKeys()
{
    if (!hotKeys) {
        hotKeys = new GlobalHotKeys(this);
        connect(hotKeys, &GlobalHotKeys::activated, this, &Home::dispatchHotKey);
    }
    hotKeys->grabAll();
}

void Home::unregisterHotKeys()
{
    if (hotKeys)
        hotKeys->releaseAll();
}

void Home::dispatchHotKey(int id)
{
    switch (hotKeyActionForId(id)) {
    case HotKeyAction::OpenDrawBoard:
        openDrawBoard();
        break;
    case HotKeyAction::FreeCut:
        freeCut();
        break;
    case HotKeyAction::ImageCut:
        image_cut();
        break;
    case HotKeyAction::ImageSave:
        image_save();
        break;
    case HotKeyAction::None:
        break;
    }
}

bool Home::nativeEvent(const QByteArray &eventType, void *message, long *result)
{
    Q_UNUSED(result)
#ifdef Q_OS_WIN
    const auto *msg = static_cast<const MSG *>(message);
    if (const int id = windowsHotKeyId(eventType, msg->message, msg->wParam))
        dispatchHotKey(id);
#else
    Q_UNUSED(eventType)
    Q_UNUSED(message)
#endif
    // Hot-key messages too go on to the default handling.
    return false;
}

// ---- full-screen capture --------------------------------------------------------------------

void Home::image_cut()
{
    hide();
    // A capture within the previous one's time: that one's timer and sound end here, once; the
    // new timer brings the panel back.
    releaseCaptureTimerAndPlayer();
    // The grab comes before the player: the first QMediaPlayer of a run starts the media back
    // end (80-130 ms here, against 15-25 ms for the grab itself), and the screen must be taken
    // as it was at the press, not a tenth of a second later.
    screenPixmap = grabDesktop();
    QGuiApplication::clipboard()->setPixmap(screenPixmap, QClipboard::Clipboard);
    player = startShutterSound(this);
    player->setObjectName(QStringLiteral("shutterPlayer"));
    timer = new QTimer(this);
    timer->setObjectName(QStringLiteral("captureTimer"));
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, &Home::timerIsArrive);
    timer->start(captureHiddenMs);
}

void Home::timerIsArrive()
{
    show();
    releaseCaptureTimerAndPlayer();
}

void Home::image_save()
{
    saveFileName = QFileDialog::getSaveFileName(nullptr, QStringLiteral("保存截图"), QString(),
                                                QStringLiteral("Picture(*.png *.jpg)"));
    if (saveFileName.isEmpty() || screenPixmap.isNull())
        return;
    saveCapture(screenPixmap, saveFileName);
}

void Home::releaseCaptureTimerAndPlayer()
{
    // deleteLater: the timer may be the sender of the signal being handled right now.
    if (timer) {
        timer->stop();
        timer->deleteLater();
        timer = nullptr;
    }
    if (player) {
        player->stop();
        player->deleteLater();
        player = nullptr;
    }
}

// ---- panel, tray and windows ----------------------------------------------------------------

void Home::createTrayIcon()
{
    // TODO(panel)
}

void Home::applyPanelStyle()
{
    // TODO(panel)
}

void Home::createButtons()
{
    // TODO(panel)
}

void Home::openDrawBoard()
{
    drawBoard = new DrawBoard;
    drawBoard->setWindowTitle(QStringLiteral("TAVO截图"));
    drawBoard->showNormal();
}

void Home::freeCut()
{
    auto *overlay = new FreedomCut(nullptr);
    overlay->show();
}

void Home::closeNormal()
{
    QCoreApplication::exit(0);
}

void Home::help()
{
    // TODO(panel)
}

void Home::mousePressEvent(QMouseEvent *event)
{
    Q_UNUSED(event)
    // TODO(panel)
}

void Home::mouseMoveEvent(QMouseEvent *event)
{
    Q_UNUSED(event)
    // TODO(panel)
}
