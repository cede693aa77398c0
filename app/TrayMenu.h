#pragma once

#include <QObject>
#include <QString>

#include <functional>

class Home;
class QAction;
class QMenu;
class QSystemTrayIcon;

// The tray icon and its menu. The first entries (hide, help, exit) are the panel's right-click
// menu too; after a separator come those only the tray has (show the panel, start with the
// desktop). A click on the icon hides the panel, a double click shows it.
//
// More entries: addEntry() for one that acts at once, addSubmenu() for one with choices, each
// placed before `before` (the end of the menu when null); panelEntries() and
// firstTrayOnlyEntry() mark where the two groups are.
class TrayMenu : public QObject
{
    Q_OBJECT

public:
    explicit TrayMenu(Home &panel);
    ~TrayMenu() override;

    QSystemTrayIcon *icon() const { return tray; }
    QMenu *menu() const { return entries; }

    // The entries the panel's right-click menu shares, and the first entry of the tray's own.
    QList<QAction *> panelEntries() const { return shared; }
    QAction *firstTrayOnlyEntry() const { return trayOnly; }

    // A new entry named `text` with the picture :/resources/img/`icon`.png (none when empty).
    QAction *addEntry(const QString &icon, const QString &text, std::function<void()> act, QAction *before = nullptr);
    // A new entry that opens a submenu; its choices are added to the returned menu.
    QMenu *addSubmenu(const QString &icon, const QString &text, QAction *before = nullptr);

    // The seconds left before a delayed capture, drawn over the icon; 0 for the plain icon.
    void showCountdown(int seconds);

private:
    void addPanelEntries();
    void addTrayOnlyEntries();
    void addAutostartEntry();
    void addCaptureEntries();
    void followClicks();

    Home &panel;
    QMenu *entries = nullptr;
    QSystemTrayIcon *tray = nullptr;
    QList<QAction *> shared;
    QAction *trayOnly = nullptr;
};
