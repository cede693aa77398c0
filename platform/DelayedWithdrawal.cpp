#include "DelayedWithdrawal.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

void DelayedWithdrawal::follow(QWidget *window)
{
    window->installEventFilter(this);
    connect(window, &QObject::destroyed, this, [this](QObject *gone) { shownAt.remove(gone); });
    if (window->isVisible())
        shownAt[window].start();
}

bool DelayedWithdrawal::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show)
        shownAt[watched].start();
    return false;
}

int DelayedWithdrawal::openingLeft(const QWidget *window) const
{
    const auto shown = shownAt.constFind(window);
    if (shown == shownAt.constEnd())
        return 0;
    return int(qMax<qint64>(0, openingMs - shown->elapsed()));
}

void DelayedWithdrawal::hide(QWidget *window, Gone gone)
{
    if (!window->isVisible()) {
        gone();
        return;
    }
    const int wait = openingLeft(window) + 2 * frameInterval(window);
    window->hide();
    QTimer::singleShot(wait, window, std::move(gone));
}
