#include "Home.h"

#include "board/DrawBoard.h"
#include "capture/FreedomCut.h"
#include "help/Help.h"

#include <QCoreApplication>
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

const QString panelTitle = QStringLiteral("TAVO截图");

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
    // TODO(hot keys): grab the four combinations and route them to dispatchHotKey().
}

void Home::unregisterHotKeys()
{
    // TODO(hot keys)
}

void Home::dispatchHotKey(int id)
{
    Q_UNUSED(id)
    // TODO(hot keys)
}

bool Home::nativeEvent(const QByteArray &eventType, void *message, long *result)
{
    Q_UNUSED(eventType)
    Q_UNUSED(message)
    Q_UNUSED(result)
    return false;
}

// ---- full-screen capture --------------------------------------------------------------------

void Home::image_cut()
{
    // TODO(capture)
}

void Home::timerIsArrive()
{
    // TODO(capture)
}

void Home::image_save()
{
    // TODO(capture)
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
    tray->setToolTip(panelTitle);
    tray->setVisible(true);
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
    for (const PanelButton &spec : buttons) {
        auto *button = new QPushButton(this);
        button->setToolTip(QString::fromUtf8(spec.toolTip));
        button->setShortcut(QKeySequence(spec.shortcut));
        // On press, not release: the action starts the moment the button goes down.
        connect(button, &QPushButton::pressed, this, spec.slot);
        const QString picture = QString::fromLatin1(spec.picture);
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
    auto *window = new Help;
    // Nothing refers to a help window once shown; a closed one would only linger.
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(panelTitle);
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
