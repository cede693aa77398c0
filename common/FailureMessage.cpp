#include "FailureMessage.h"

#include "ProgramTitle.h"

#include <QDir>
#include <QMessageBox>
#include <QString>

namespace {

void showMessage(QWidget *window, QMessageBox::Icon icon, const QString &text)
{
    auto *box = new QMessageBox(icon, programTitle(), text, QMessageBox::Ok, window);
    box->setTextFormat(Qt::PlainText); // a file name is no markup, whatever it holds
    box->setAttribute(Qt::WA_DeleteOnClose);
    // A path or a system's reason is worth copying into a search or a bug report.
    box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
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

void showNotice(QWidget *window, const QString &text)
{
    showMessage(window, QMessageBox::Information, text);
}
