#include "WindowArrival.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

void WindowArrival::whenOnScreen(QWidget *window, std::function<void()> arrived)
{
    if (!window->isVisible() || !window->windowHandle()) {
        QTimer::singleShot(0, window, std::move(arrived));
        return;
    }
    // A child of the window: gone with it, and then never calls.
    new WindowArrival(window, std::move(arrived));
}

WindowArrival::WindowArrival(QWidget *window, std::function<void()> arrived)
    : QObject(window)
    , window(window)
    , arrived(std::move(arrived))
{
    QTimer::singleShot(patienceMs, this, &WindowArrival::finish);
    window->windowHandle()->installEventFilter(this);
    if (window->windowHandle()->isExposed())
        askForFrame();
}

void WindowArrival::askForFrame()
{
    // After the paint that the exposure brings has been handed over: the update comes with the
    // compositor's word that it presented that frame (on Wayland, its frame callback).
    QTimer::singleShot(0, this, [this] {
        if (QWindow *handle = window->windowHandle())
            handle->requestUpdate();
    });
}

bool WindowArrival::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Expose && window->windowHandle() && window->windowHandle()->isExposed())
        askForFrame();
    else if (event->type() == QEvent::UpdateRequest)
        QTimer::singleShot(0, this, &WindowArrival::finish);
    return QObject::eventFilter(watched, event);
}

void WindowArrival::finish()
{
    if (!arrived)
        return;
    const std::function<void()> call = std::move(arrived);
    arrived = nullptr;
    deleteLater();
    call();
}
