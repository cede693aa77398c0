#include "TrayMenu.h"

#include "Home.h"
#include "common/FailureMessage.h"
#include "common/ProgramTitle.h"
#include "platform/Autostart.h"

#include <QAction>
#include <QCoreApplication>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>

namespace {

QIcon pictureNamed(const QString &icon)
{
    return icon.isEmpty() ? QIcon() : QIcon(QStringLiteral(":/resources/img/%1.png").arg(icon));
}

// The tray's picture with `seconds` over it, large and outlined so it reads at tray size.
QIcon countdownIcon(int seconds)
{
    QPixmap picture = QIcon(QStringLiteral(":/resources/img/tray.png")).pixmap(64, 64);
    if (picture.isNull()) {
        picture = QPixmap(64, 64);
        picture.fill(Qt::white);
    }
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(seconds > 9 ? 36 : 48);
    painter.setFont(font);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 160));
    painter.drawRoundedRect(picture.rect(), 10, 10);
    painter.setPen(Qt::white);
    painter.drawText(picture.rect(), Qt::AlignCenter, QString::number(seconds));
    painter.end();
    return QIcon(picture);
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
    addCaptureEntries();
    addAutostartEntry();
}

void TrayMenu::addCaptureEntries()
{
    Home *home = &panel;
    addEntry(QStringLiteral("freecut"), QStringLiteral("上次区域"), [home] { home->lastRegion(); })
        ->setObjectName(QStringLiteral("lastRegionAction"));
    QMenu *delayed = addSubmenu(QString(), QStringLiteral("延时截图"));
    delayed->setObjectName(QStringLiteral("delayMenu"));
    for (const int seconds : {3, 5}) {
        QAction *choice = delayed->addAction(QStringLiteral("%1 秒").arg(seconds));
        connect(choice, &QAction::triggered, this,
                [home, seconds] { home->afterDelay(seconds * 1000, [home] { home->freeCut(); }); });
    }
}

void TrayMenu::showCountdown(int seconds)
{
    tray->setIcon(seconds > 0 ? countdownIcon(seconds) : pictureNamed(QStringLiteral("tray")));
    tray->setToolTip(seconds > 0 ? QStringLiteral("%1：%2 秒后截图").arg(programTitle()).arg(seconds) : programTitle());
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
