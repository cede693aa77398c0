#include "Home.h"

#include "board/DrawBoard.h"
#include "capture/FreedomCut.h"
#include "help/Help.h"

#include <QCoreApplication>
#include <QMediaPlayer>
#include <QMouseEvent>
#include <QTimer>

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
