#pragma once

#include <QPixmap>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

class DelayedCapture;
class DesktopGrabber;
class DrawBoard;
class QLabel;
class FullScreenCapture;
class GlobalHotKeys;
class RegionCaptures;
class TrayMenu;
class WindowList;
class WindowWithdrawal;

// The tray-resident main panel: four picture buttons and the system-wide hot keys; the tray icon
// with its menu (TrayMenu) and the full-screen capture (FullScreenCapture) are its parts. It lives
// for the whole run; every other window is opened from here on demand and runs on its own.
class Home : public QWidget
{
    Q_OBJECT

public:
    explicit Home(QWidget *parent = nullptr);
    ~Home() override;

    // The last full-screen capture; null until the first one.
    const QPixmap &lastCapture() const;

    // While a modal dialog of the program is open (a save dialog, a message), an action from
    // outside it (a hot key, a later start's request) would stack another dialog or a frozen
    // overlay over it, or cancel it unseen: that dialog comes forward instead. Returns whether
    // there was one.
    bool bringOpenDialogForward();

    // Runs `capture` after `ms` milliseconds (at once for 0), counting down on the tray icon (or
    // the panel where there is no tray). While another waits, nothing starts: the user is told
    // it waits.
    void afterDelay(int ms, std::function<void()> capture);
    // Writes the region taken last, cut from a fresh picture of the desktop, to `fileName`; says
    // so where there is none yet.
    void saveLastRegion(const QString &fileName);

public slots:
    void image_cut();
    void image_save();
    void timerIsArrive();
    void openDrawBoard();
    void freeCut();
    void closeNormal();
    void help();
    // Shows, raises and activates the panel (the tray menu's "显示面板", a later plain start).
    void showPanel();
    // The hide entry: hides the panel, unless no tray is there to bring it back.
    void hideToTray();
    // A new drawing board with the picture opened in it.
    void openPictureOnBoard(const QString &fileName);
    // The tray menu's 贴图: pins the clipboard's picture, or says there is none.
    void pinClipboard();
    // The window that has the focus onto the clipboard, like a full-screen capture; says so
    // where the desktop does not tell which one it is.
    void captureWindow();
    // A region capture starting from the region taken last (as the usual one without it).
    void lastRegion();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    bool nativeEvent(const QByteArray &eventType, void *message, long *result) override;

private:
    void registerHotKeys();
    void unregisterHotKeys();
    void dispatchHotKey(int id);
    void showCountdown(int seconds);
    void applyPanelStyle();
    void createButtons();

    QPointer<DrawBoard> drawBoard; // the board opened last; closed boards are deleted
    QPoint dragOffset;
    GlobalHotKeys *hotKeys = nullptr;
    std::unique_ptr<DesktopGrabber> grabber;
    std::unique_ptr<WindowWithdrawal> withdrawal;
    std::unique_ptr<WindowList> windowList;  // null where the desktop tells no window's place
    FullScreenCapture *fullScreen = nullptr;
    TrayMenu *tray = nullptr;
    RegionCaptures *regions = nullptr;
    DelayedCapture *delay = nullptr;
    QLabel *countdown = nullptr;  // the seconds left, where there is no tray to show them
};
