#include "DelayedWithdrawal.h"

#include <QTimer>
#include <QWidget>

void DelayedWithdrawal::hide(QWidget *window, Gone gone)
{
    if (!window->isVisible()) {
        gone();
        return;
    }
    window->hide();
    QTimer::singleShot(2 * frameInterval(window), window, std::move(gone));
}
