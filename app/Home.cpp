#include "Home.h"

#include "board/DrawBoard.h"
#include "capture/CaptureSave.h"
#include "capture/FreedomCut.h"
#include "common/ProgramTitle.h"
#include "help/Help.h"
#include "platform/Autostart.h"
#include "platform/DesktopGrabber.h"
#include "platform/GlobalHotKeys.h"
#include "platform/HotKeyTable.h"
#include "platform/ShutterSound.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeySequence>
#include <QMediaPlayer>
#include <QMenu>
#include <QMessageBox>
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

} // namespace

Home::Home(QWidget *parent)
    : QWidget(parent)
    , grabber(DesktopGrabber::forThisSession())
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
    hotKeys = GlobalHotKeys::create(this);
    connect(hotKeys, &GlobalHotKeys::activated, this, &Home::dispatchHotKey);
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
    // Where the system posts hot keys to the window that registered them, they arrive here.
    if (hotKeys)
        hotKeys->handleWindowMessage(eventType, message);
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
    grabber->grab(this, [this](const DesktopPicture &desktop) {
        screenPixmap = QPixmap::fromImage(desktop.image);
        QGuiApplication::clipboard()->setPixmap(screenPixmap, QClipboard::Clipboard);
    });
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
    auto *tray = new QSystemTrayIcon(this);
    auto *menu = new QMenu(this);
    const QList<QAction *> actions{
        menu->addAction(QIcon(QStringLiteral(":/resources/img/hide.png")), QStringLiteral("隐藏图标"),
                        this, SLOT(hide()), QKeySequence()),
        menu->addAction(QIcon(QStringLiteral(":/resources/img/help.png")), QStringLiteral("帮助"),
                        this, SLOT(help()), QKeySequence()),
        menu->addAction(QIcon(QStringLiteral(":/resources/img/exit.png")), QStringLiteral("退出程序"),
                        this, SLOT(closeNormal()), QKeySequence()),
    };
    // The same entries pop up on a right click on the panel itself.
    addActions(actions);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    menu->addSeparator();
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
        QMessageBox::warning(this, programTitle(), QStringLiteral("无法更改开机启动：%1").arg(failure));
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
    for (const PanelButton &entry : buttons) {
        auto *button = new QPushButton(this);
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
    drawBoard->setWindowTitle(programTitle());
    drawBoard->showNormal();
}

void Home::freeCut()
{
    grabber->grab(this, [](const DesktopPicture &desktop) {
        auto *overlay = new FreedomCut(QPixmap::fromImage(desktop.image), nullptr);
        overlay->show();
    });
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
}

void Home::mouseMoveEvent(QMouseEvent *event)
{
    // From the pointer's screen position, not pos() + the event's window position: during a fast
    // drag the window system may not have moved the window yet when the next motion is reported,
    // so the window position is stale and each step would be counted twice.
    const QPoint topLeft = event->globalPos() - dragOffset;
    setGeometry(topLeft.x(), topLeft.y(), width(), height());
}
