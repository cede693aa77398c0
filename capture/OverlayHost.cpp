#include "OverlayHost.h"

#include <QEvent>
#include <QScreen>
#include <QWindow>

OverlayHost::OverlayHost(QWidget *parent)
    : QWidget(parent)
{
    // The overlay covers every pixel: nothing of the window's own shows through.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
}

void OverlayHost::showOverlay(QWidget *overlay, QScreen *screen)
{
    // The window is made and told its screen before it is mapped, so it goes full screen there.
    winId();
    if (QWindow *window = windowHandle())
        window->setScreen(screen);
    setGeometry(screen->geometry());
    overlay->installEventFilter(this);
    overlay->setGeometry(rect());
    overlay->show();
    overlay->setFocus();
    showFullScreen();
}

bool OverlayHost::eventFilter(QObject *watched, QEvent *event)
{
    // Closing the overlay ends the capture on this screen: the window goes at once, not when
    // the overlay is deleted, so what comes next (a pin, a live grab) sees the desktop.
    if (event->type() == QEvent::HideToParent && watched->parent() == this) {
        watched->removeEventFilter(this);
        hide();
    }
    return QWidget::eventFilter(watched, event);
}

void OverlayHost::resizeEvent(QResizeEvent *)
{
    for (QWidget *child : findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        child->setGeometry(rect());
}
