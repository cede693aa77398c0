#include "Home.h"

#include "board/DrawBoard.h"
#include "capture/CaptureSave.h"
#include "capture/ClipboardPicture.h"
#include "capture/RegionCapture.h"
#include "common/BackgroundSave.h"
#include "common/FailureMessage.h"
#include "common/PictureDialog.h"
#include "common/ProgramTitle.h"
#include "help/Help.h"
#include "pin/Pins.h"
#include "platform/Autostart.h"
#include "platform/DesktopGrabber.h"
#include "platform/GlobalHotKeys.h"
#include "platform/HotKeyTable.h"
#include "platform/ShutterSound.h"
#include "platform/WindowMove.h"
#include "platform/WindowWithdrawal.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeySequence>
#include <QMediaPlayer>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTimer>

namespace {

// How long the panel stays away after a full-screen capture.
constexpr int captureHiddenMs = 1400;

struct PanelButton
{
    const char *toolTip;
    QKeySequence::StandardKey shortcut;
    void (Home::*slot)();
    const char *picture; // base name under :/resources/img/; the pressed form adds "down"
};

// A picture button of a fixed size. It has no text, so its size needs no font metrics: the panel
// is laid out and shown without waiting for the font database to load.
class PictureButton : public QPushButton
{
public:
    using QPushButton::QPushButton;
    QSize sizeHint() const override { return minimumSize(); }
    QSize minimumSizeHint() const override { return minimumSize(); }
};

} // namespace

Home::Home(QWidget *parent)
    : QWidget(parent)
    , grabber(DesktopGrabber::forThisSession())
    , withdrawal(WindowWithdrawal::forThisSession())
{
    withdrawal->follow(this);
    registerHotKeys();
    createTrayIcon();
    applyPanelStyle();
    createButtons();
}

Home::~Home()
{
    // What may still answer goes first, before the panel's parts: a grab or withdrawal under way
    // must not call back into a panel that is being torn down.
    grabber.reset();
    withdrawal.reset();
    unregisterHotKeys();
}

// ---- hot keys ---------------------------------------------------------------------------------

void Home::registerHotKeys()
{
    hotKeys = GlobalHotKeys::create(this);
    connect(hotKeys, &GlobalHotKeys::activated, this, &Home::dispatchHotKey);
    hotKeys->grabAll();
}

void Home::unregisterHotKeys()
{
    if (hotKeys)
        hotKeys->releaseAll();
}

bool Home::bringOpenDialogForward()
{
    QWidget *dialog = QApplication::activeModalWidget();
    if (!dialog)
        return false;
    dialog->raise();
    dialog->activateWindow();
    return true;
}

void Home::dispatchHotKey(int id)
{
    if (bringOpenDialogForward())
        return;
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
    // Where the system posts hot keys to the window that registered them, they arrive here.
    if (hotKeys)
        hotKeys->handleWindowMessage(eventType, message);
    // Hot-key messages too go on to the default handling.
    return false;
}

// ---- full-screen capture --------------------------------------------------------------------

void Home::image_cut()
{
    // A held key repeats: a repeat that comes while a capture is still being taken is dropped.
    if (grabbing)
        return;
    grabbing = true;
    // The panel leaves the screen first, so it is never in the picture.
    withdrawal->hide(this, [this] {
        grabber->grab(this, [this](const DesktopPicture &desktop) { keepCapture(desktop); });
    });
}

void Home::keepCapture(const DesktopPicture &desktop)
{
    grabbing = false;
    // Nothing was taken: no shutter, the last capture stays for saving, the panel returns at once.
    if (!desktop.isValid()) {
        show();
        showCaptureFailure(this, desktop.failure);
        return;
    }
    // The clipboard's PNG first: its encoding starts at once, while the pixmap copies the desktop
    // (tens of milliseconds for a large one).
    offerOnClipboard(desktop.image);
    screenPixmap = QPixmap::fromImage(desktop.image);
    // A capture within the previous one's time: that one's timer and sound end here, once; the
    // new timer brings the panel back.
    releaseCaptureTimerAndPlayer();
    // After the grab: the first QMediaPlayer of a run starts the media back end, which takes
    // longer than the grab itself.
    player = startShutterSound(this);
    if (player)
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
    if (refuseWhileSaving(this))
        return;
    saveFileName = askSavePictureName(QStringLiteral("保存截图"), QString(), QStringLiteral("Picture(*.png *.jpg)"));
    if (saveFileName.isEmpty())
        return;
    // The name is asked for first, as ever; a user who chose one is told why nothing was written.
    if (screenPixmap.isNull()) {
        showNotice(this, QStringLiteral("还没有截图，没有保存任何文件。请先按 Ctrl+Alt+X 截取全屏。"));
        return;
    }
    savePictureInBackground(this, flattenOnWhite(screenPixmap), saveFileName);
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
    auto *tray = new QSystemTrayIcon(this);
    auto *menu = new QMenu(this);
    const QList<QAction *> actions{
        menu->addAction(QIcon(QStringLiteral(":/resources/img/hide.png")), QStringLiteral("隐藏图标"),
                        this, SLOT(hideToTray()), QKeySequence()),
        menu->addAction(QIcon(QStringLiteral(":/resources/img/help.png")), QStringLiteral("帮助"),
                        this, SLOT(help()), QKeySequence()),
        menu->addAction(QIcon(QStringLiteral(":/resources/img/exit.png")), QStringLiteral("退出程序"),
                        this, SLOT(closeNormal()), QKeySequence()),
    };
    // The same entries pop up on a right click on the panel itself.
    addActions(actions);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    // Trays that report only single clicks (StatusNotifierItem) never send the double click that
    // shows the panel: the tray menu offers it too.
    menu->addSeparator();
    menu->addAction(QIcon(QStringLiteral(":/resources/img/tray.png")), QStringLiteral("显示面板"), this,
                    SLOT(showPanel()), QKeySequence());
    menu->addAction(QStringLiteral("贴图"), this, SLOT(pinClipboard()));
    addAutostartEntry(menu);

    tray->setContextMenu(menu);
    tray->setIcon(QIcon(QStringLiteral(":/resources/img/tray.png")));
    connect(tray, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::DoubleClick) {
                    show();
                    activateWindow();
                } else if (reason == QSystemTrayIcon::Trigger) {
                    hide();
                }
            }, Qt::DirectConnection);
    tray->setToolTip(programTitle());
    tray->setVisible(true);
}

void Home::addAutostartEntry(QMenu *menu)
{
    QAction *entry = menu->addAction(QStringLiteral("开机启动"));
    entry->setObjectName(QStringLiteral("autostartAction"));
    entry->setCheckable(true);
    entry->setChecked(autostart::isEnabled());
    // The system holds the choice and the user may change it elsewhere: read it at every showing.
    connect(menu, &QMenu::aboutToShow, entry, [entry] { entry->setChecked(autostart::isEnabled()); });
    connect(entry, &QAction::triggered, this, [this, entry](bool enabled) {
        QString failure;
        if (autostart::setEnabled(enabled, QCoreApplication::applicationFilePath(), &failure))
            return;
        entry->setChecked(autostart::isEnabled());
        showFailure(this, QStringLiteral("无法更改开机启动：%1").arg(failure));
    });
}

void Home::applyPanelStyle()
{
    setStyleSheet(QStringLiteral("Home{background-color:rgb(238,238,219)}"));
    setWindowOpacity(0.9);
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
}

void Home::createButtons()
{
    static const PanelButton buttons[] = {
        {"全屏截图", QKeySequence::Cut, &Home::image_cut, "cut"},
        {"保存全屏截图", QKeySequence::SaveAs, &Home::image_save, "save"},
        {"自由截图", QKeySequence::AddTab, &Home::freeCut, "freecut"},
        {"打开画板", QKeySequence::Open, &Home::openDrawBoard, "open"},
    };
    auto *layout = new QHBoxLayout(this);
    // Not resizable: tiling compositors (sway) float such a window instead of filling a tile.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    for (const PanelButton &entry : buttons) {
        auto *button = new PictureButton(this);
        button->setToolTip(QString::fromUtf8(entry.toolTip));
        button->setShortcut(QKeySequence(entry.shortcut));
        // On press, not release: the action starts the moment the button goes down.
        connect(button, &QPushButton::pressed, this, entry.slot);
        const QString picture = QString::fromLatin1(entry.picture);
        button->setStyleSheet(QStringLiteral("QPushButton{border-image: url(:/resources/img/%1.png)}"
                                             "QPushButton:pressed{border-image: url(:/resources/img/%1down.png)}")
                                  .arg(picture));
        button->setFixedSize(25, 25);
        layout->addWidget(button, 1);
    }
}

void Home::openDrawBoard()
{
    drawBoard = new DrawBoard;
    // A closed board is not shown again: it goes with its picture, which may be large.
    drawBoard->setAttribute(Qt::WA_DeleteOnClose);
    drawBoard->setWindowTitle(programTitle());
    drawBoard->showNormal();
}

void Home::openPictureOnBoard(const QString &fileName)
{
    openDrawBoard();
    drawBoard->openPicture(fileName);
}

void Home::hideToTray()
{
    // Without a tray nothing on the screen would bring the panel back.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        showNotice(this, QStringLiteral("没有系统托盘，隐藏后面板无法从托盘找回，因此保留在屏幕上。"));
        return;
    }
    hide();
}

void Home::showPanel()
{
    show();
    raise();
    activateWindow();
}

void Home::freeCut()
{
    // One region capture at a time: asking again brings the open one forward.
    if (regionCapture) {
        regionCapture->activate();
        return;
    }
    if (grabbing)
        return;
    grabbing = true;
    const bool panelWasShown = isVisible();
    withdrawal->hide(this, [this, panelWasShown] {
        grabber->grab(this, [this, panelWasShown](const DesktopPicture &desktop) {
            openRegionCapture(desktop, panelWasShown);
        });
    });
}

void Home::openRegionCapture(const DesktopPicture &desktop, bool panelWasShown)
{
    grabbing = false;
    regionCapture = new RegionCapture(desktop, this);
    // The panel comes back as it was once the capture is over, not over the frozen desktop.
    connect(regionCapture, &RegionCapture::finished, this, [this, panelWasShown] {
        if (panelWasShown)
            show();
    });
    regionCapture->open();
}

void Home::closeNormal()
{
    QCoreApplication::exit(0);
}

void Home::help()
{
    auto *window = new Help;
    // Nothing refers to a help window once shown; a closed one would only linger.
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(programTitle());
    window->show();
}

// The panel has no frame, so it is dragged by its background: the grabbed point stays under the
// pointer.
void Home::mousePressEvent(QMouseEvent *event)
{
    dragOffset = event->pos();
    // Where windows cannot place themselves (Wayland) the compositor moves the panel instead.
    moveWithPointerBySystem(this);
}

void Home::mouseMoveEvent(QMouseEvent *event)
{
    // From the pointer's screen position, not pos() + the event's window position: during a fast
    // drag the window system may not have moved the window yet when the next motion is reported,
    // so the window position is stale and each step would be counted twice.
    const QPoint topLeft = event->globalPos() - dragOffset;
    setGeometry(topLeft.x(), topLeft.y(), width(), height());
}

void Home::pinClipboard()
{
    QString failure;
    if (!::pinClipboard(&failure))
        showFailure(this, failure);
}
