#include "FailureMessage.h"

#include "ProgramTitle.h"

#include <QDir>
#include <QMessageBox>
#include <QRect>
#include <QScreen>
#include <QString>

namespace {

// A message goes in the middle of its window, as dialogs do. A window smaller than the message
// (the panel in its corner) would vanish under it: the message goes in the middle of that
// window's screen instead.
void placeAwayFromSmallWindow(QMessageBox *box, const QWidget *window)
{
    if (!window || !window->isVisible())
        return;
    const QSize size = box->sizeHint();
    const QRect frame = window->frameGeometry();
    if (frame.width() >= size.width() && frame.height() >= size.height())
        return;
    const QScreen *screen = window->screen();
    if (!screen)
        return;
    QRect place(QPoint(0, 0), size);
    place.moveCenter(screen->availableGeometry().center());
    box->move(place.topLeft()); // placed by hand: the dialog no longer centres itself
}

void showMessage(QWidget *window, QMessageBox::Icon icon, const QString &text)
{
    auto *box = new QMessageBox(icon, programTitle(), text, QMessageBox::Ok, window);
    box->setTextFormat(Qt::PlainText); // a file name is no markup, whatever it holds
    box->setAttribute(Qt::WA_DeleteOnClose);
    // A path or a system's reason is worth copying into a search or a bug report.
    box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    placeAwayFromSmallWindow(box, window);
    box->open();
}

QString withFile(const QString &frame, const QString &fileName, const QString &reason)
{
    return frame.arg(QDir::toNativeSeparators(fileName), reason);
}

} // namespace

void showSaveFailure(QWidget *window, const QString &fileName, const QString &reason)
{
    showMessage(window, QMessageBox::Warning, withFile(QStringLiteral("无法保存 %1\n%2"), fileName, reason));
}

void showOpenFailure(QWidget *window, const QString &fileName, const QString &reason)
{
    showMessage(window, QMessageBox::Warning, withFile(QStringLiteral("无法打开 %1\n%2"), fileName, reason));
}

void showCaptureFailure(QWidget *window, const QString &reason)
{
    showMessage(window, QMessageBox::Warning, QStringLiteral("无法截取屏幕\n%1").arg(reason));
}

void showFailure(QWidget *window, const QString &text)
{
    showMessage(window, QMessageBox::Warning, text);
}

void showNotice(QWidget *window, const QString &text)
{
    showMessage(window, QMessageBox::Information, text);
}
