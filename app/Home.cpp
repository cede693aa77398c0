#include "Home.h"

#include "FullScreenCapture.h"
#include "LongScreenshot.h"
#include "TrayMenu.h"
#include "board/DrawBoard.h"
#include "capture/RegionCapture.h"
#include "common/FailureMessage.h"
#include "common/ProgramTitle.h"
#include "help/Help.h"
#include "ocr/TextRecognitionWindow.h"
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
    registerHotKeys();
    tray = new TrayMenu(*this);
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

const QPixmap &Home::lastCapture() const
{
    return fullScreen->lastCapture();
}

void Home::image_cut()
{
    // One grab at a time: the region capture's panel may be on its way off the screen.
    if (regionGrabbing)
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
    if (regionGrabbing || fullScreen->isGrabbing())
        return;
    regionGrabbing = true;
    const bool panelWasShown = isVisible();
    withdrawal->hide(this, [this, panelWasShown] {
        grabber->grab(this, [this, panelWasShown](const DesktopPicture &desktop) {
            openRegionCapture(desktop, panelWasShown);
        });
    });
}

void Home::openRegionCapture(const DesktopPicture &desktop, bool panelWasShown)
{
    regionGrabbing = false;
    // The windows as they were when the desktop was taken, before the overlays cover them.
    const QVector<WindowFrame> windows = windowList ? windowList->windows() : QVector<WindowFrame>();
    regionCapture = new RegionCapture(desktop, windows, this);
    connect(regionCapture, &RegionCapture::pinRequested, this,
            [](const QImage &picture, const QPoint &topLeft, QScreen *screen) {
                pinPicture(picture, screen ? screen->geometry().topLeft() + topLeft : topLeft, screen);
            });
    connect(regionCapture, &RegionCapture::textRequested, this, [](const QImage &picture) {
        showTextRecognition(picture);
    });
    connect(regionCapture, &RegionCapture::longCaptureRequested, this, [this](const QRect &area, QScreen *screen) {
        startLongScreenshot(area, screen, *grabber, this);
    });
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
