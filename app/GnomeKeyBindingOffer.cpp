#include "GnomeKeyBindingOffer.h"

#include "common/ProgramTitle.h"
#include "platform/WindowArrival.h"
#include "platform/WindowSystem.h"
#include "platform/wayland/GnomeKeyBindings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>

namespace {

// Kept once the user has answered, whatever the answer: the question is never asked again.
QString answeredMarker()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/tavo-screenshot/gnome-key-bindings-asked");
}

bool rememberAnswer()
{
    const QString marker = answeredMarker();
    QFile file(marker);
    return QDir().mkpath(QFileInfo(marker).path()) && file.open(QIODevice::WriteOnly);
}

void askAboutKeyBindings(QWidget *parent)
{
    const auto answer = QMessageBox::question(
        parent, programTitle(),
        QStringLiteral("GNOME 不允许程序自己占用全局热键。要把 Ctrl+Alt+X（全屏截图）、Ctrl+Alt+S（保存全屏截图）、"
                       "Ctrl+Alt+F（自由截图）和 Ctrl+Alt+O（打开画板）添加到 GNOME 的自定义快捷键中吗？\n\n"
                       "以后可以在“设置 → 键盘 → 查看及自定义快捷键 → 自定义快捷键”中修改或删除。"),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    if (answer == QMessageBox::Yes) {
        QString failure;
        if (!gnomeKeyBindings::add(QCoreApplication::applicationFilePath(), &failure)) {
            QMessageBox::warning(parent, programTitle(), QStringLiteral("无法添加 GNOME 快捷键：%1").arg(failure));
            return;
        }
    }
    if (!rememberAnswer())
        qWarning("tavo-screenshot: cannot remember the answer about GNOME's key bindings in %s", qPrintable(answeredMarker()));
}

} // namespace

void offerGnomeKeyBindings(QWidget *parent)
{
    if (!runsOnWayland() || !gnomeKeyBindings::isGnomeSession() || QFile::exists(answeredMarker())
        || gnomeKeyBindings::present())
        return;
    // GNOME gives the keyboard to the window it shows last: the question comes once the panel is
    // on the screen, or the panel, shown just before, could take the keyboard from it.
    WindowArrival::whenOnScreen(parent, [parent] { askAboutKeyBindings(parent); });
}
