#include "Home.h"

#include "DelayedCapture.h"
#include "FullScreenCapture.h"
#include "RegionCaptures.h"
#include "TrayMenu.h"
#include "board/DrawBoard.h"
#include "common/FailureMessage.h"
#include "common/ProgramTitle.h"
#include "help/Help.h"
#include "pin/Pins.h"
#include "platform/DesktopGrabber.h"
#include "platform/GlobalHotKeys.h"
#include "platform/HotKeyTable.h"
#include "platform/WindowList.h"
#include "platform/WindowMove.h"
#include "platform/WindowWithdrawal.h"

#include <QApplication>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSystemTrayIcon>

namespace {

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
    , windowList(WindowList::forThisSession())
{
    withdrawal->follow(this);
    fullScreen = new FullScreenCapture(this, *grabber, *withdrawal);
    connect(fullScreen, &FullScreenCapture::hiddenTimeOver, this, &Home::timerIsArrive);
    regions = new RegionCaptures(*this, *grabber, *withdrawal, windowList.get(),
                                 [this] { return fullScreen->isGrabbing(); });
    registerHotKeys();
    tray = new TrayMenu(*this);
    applyPanelStyle();
    createButtons();
    delay = new DelayedCapture(this);
    connect(delay, &DelayedCapture::secondsLeft, this, &Home::showCountdown);
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

const QPixmap &Home::lastCapture() const
{
    return fullScreen->lastCapture();
}

void Home::image_cut()
{
    // One grab at a time: the region capture's panel may be on its way off the screen.
    if (regions->isGrabbing())
        return;
    fullScreen->take();
}

void Home::timerIsArrive()
{
    show();
    fullScreen->endHiddenTime();
    // A save dialog opened while the panel was away stays above it.
    bringOpenDialogForward();
}

void Home::image_save()
{
    fullScreen->save();
}

// ---- panel and windows ----------------------------------------------------------------------

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
    countdown = new QLabel(this);
    countdown->setObjectName(QStringLiteral("countdown"));
    countdown->hide();
    layout->addWidget(countdown);
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
    regions->start(false);
}

void Home::lastRegion()
{
    regions->start(true);
}

void Home::closeNormal()
{
    // Each board with unsaved drawing asks first; 取消 on any one keeps the program running.
    QList<QPointer<DrawBoard>> boards;
    for (QWidget *window : QApplication::topLevelWidgets())
        if (auto *board = qobject_cast<DrawBoard *>(window); board && board->isVisible())
            boards << board;
    for (const QPointer<DrawBoard> &board : boards)
        if (board && !board->close())
            return;
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
    ::pinClipboard(this, [this](const QString &failure) { showFailure(this, failure); });
}

// ---- captures without the overlay, and waiting ------------------------------------------------

void Home::captureWindow()
{
    if (regions->isGrabbing())
        return;
    if (!windowList) {
        showNotice(this, QStringLiteral("这个桌面不告诉程序哪个窗口是活动窗口，无法截取活动窗口。"));
        return;
    }
    const std::optional<WindowFrame> active = windowList->activeWindow();
    if (!active) {
        showNotice(this, QStringLiteral("没有窗口拥有焦点，没有截取活动窗口。"));
        return;
    }
    fullScreen->take(active->area);
}

void Home::saveLastRegion(const QString &fileName)
{
    regions->saveLast(fileName);
}

void Home::afterDelay(int ms, std::function<void()> capture)
{
    static const QString waitingNotice = QStringLiteral("delayWaitingNotice");
    const bool started = delay->start(ms, [this, capture = std::move(capture)] {
        // The notices that said this capture waits go as it runs: they would be in the picture,
        // and as open dialogs they would hold it back.
        for (QMessageBox *notice : findChildren<QMessageBox *>(waitingNotice))
            notice->close();
        capture();
    });
    if (started)
        return;
    const QString text = QStringLiteral("已有一个延时截图正在等待，这次没有再开始一个。");
    showNotice(this, text);
    for (QMessageBox *notice : findChildren<QMessageBox *>(QString(), Qt::FindDirectChildrenOnly))
        if (notice->text() == text)
            notice->setObjectName(waitingNotice);
}

void Home::showCountdown(int seconds)
{
    tray->showCountdown(seconds);
    // Without a tray the panel counts; it leaves the screen before the picture is taken.
    const bool onPanel = seconds > 0 && !QSystemTrayIcon::isSystemTrayAvailable();
    countdown->setText(QStringLiteral("%1 秒").arg(seconds));
    if (countdown->isVisibleTo(this) == onPanel)
        return;
    // The panel stands at the screen's right edge: it grows and shrinks to the left.
    const int right = geometry().right();
    countdown->setVisible(onPanel);
    layout()->activate();
    move(right + 1 - width(), y());
}
