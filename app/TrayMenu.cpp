#include "TrayMenu.h"

#include "Home.h"
#include "common/FailureMessage.h"
#include "common/ProgramTitle.h"
#include "platform/Autostart.h"

#include <QAction>
#include <QCoreApplication>
#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>

namespace {

QIcon pictureNamed(const QString &icon)
{
    return icon.isEmpty() ? QIcon() : QIcon(QStringLiteral(":/resources/img/%1.png").arg(icon));
}

} // namespace

TrayMenu::TrayMenu(Home &panel)
    : QObject(&panel)
    , panel(panel)
    // The menu belongs to the panel's window, as its right-click menu does.
    , entries(new QMenu(&panel))
    , tray(new QSystemTrayIcon(this))
{
    addPanelEntries();
    entries->addSeparator();
    addTrayOnlyEntries();

    tray->setContextMenu(entries);
    tray->setIcon(pictureNamed(QStringLiteral("tray")));
    followClicks();
    tray->setToolTip(programTitle());
    tray->setVisible(true);
}

TrayMenu::~TrayMenu() = default;

QAction *TrayMenu::addEntry(const QString &icon, const QString &text, std::function<void()> act, QAction *before)
{
    auto *entry = new QAction(pictureNamed(icon), text, entries);
    connect(entry, &QAction::triggered, this, [act = std::move(act)] { act(); });
    entries->insertAction(before, entry);
    return entry;
}

QMenu *TrayMenu::addSubmenu(const QString &icon, const QString &text, QAction *before)
{
    auto *submenu = new QMenu(text, entries);
    submenu->setIcon(pictureNamed(icon));
    entries->insertMenu(before, submenu);
    return submenu;
}

void TrayMenu::addPanelEntries()
{
    Home *home = &panel;
    shared = {
        addEntry(QStringLiteral("hide"), QStringLiteral("隐藏图标"), [home] { home->hideToTray(); }),
        addEntry(QStringLiteral("help"), QStringLiteral("帮助"), [home] { home->help(); }),
        addEntry(QStringLiteral("exit"), QStringLiteral("退出程序"), [home] { home->closeNormal(); }),
    };
    // The same entries pop up on a right click on the panel itself.
    panel.addActions(shared);
    panel.setContextMenuPolicy(Qt::ActionsContextMenu);
}

void TrayMenu::addTrayOnlyEntries()
{
    // Trays that report only single clicks (StatusNotifierItem) never send the double click that
    // shows the panel: the tray menu offers it too.
    Home *home = &panel;
    trayOnly = addEntry(QStringLiteral("tray"), QStringLiteral("显示面板"), [home] { home->showPanel(); });
    addEntry(QStringLiteral("pin"), QStringLiteral("贴图"), [home] { home->pinClipboard(); });
    addAutostartEntry();
}

void TrayMenu::addAutostartEntry()
{
    QAction *entry = entries->addAction(QStringLiteral("开机启动"));
    entry->setObjectName(QStringLiteral("autostartAction"));
    entry->setCheckable(true);
    entry->setChecked(autostart::isEnabled());
    // The system holds the choice and the user may change it elsewhere: read it at every showing.
    connect(entries, &QMenu::aboutToShow, entry, [entry] { entry->setChecked(autostart::isEnabled()); });
    Home *home = &panel;
    connect(entry, &QAction::triggered, this, [home, entry](bool enabled) {
        QString failure;
        if (autostart::setEnabled(enabled, QCoreApplication::applicationFilePath(), &failure))
            return;
        entry->setChecked(autostart::isEnabled());
        showFailure(home, QStringLiteral("无法更改开机启动：%1").arg(failure));
    });
}

void TrayMenu::followClicks()
{
    Home *home = &panel;
    connect(tray, &QSystemTrayIcon::activated, this,
            [home](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::DoubleClick) {
                    home->show();
                    home->activateWindow();
                } else if (reason == QSystemTrayIcon::Trigger) {
                    home->hide();
                }
            }, Qt::DirectConnection);
}
