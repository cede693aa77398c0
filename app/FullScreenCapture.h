#pragma once

#include <QObject>
#include <QPixmap>
#include <QRect>
#include <QString>

#include <optional>

class DesktopGrabber;
class QMediaPlayer;
class QTimer;
class QWidget;
class WindowWithdrawal;
struct DesktopPicture;

// The full-screen capture of the panel: the panel leaves the screen, the whole desktop goes onto
// the clipboard with the shutter sound, and the panel stays away for a moment; the last capture
// can then be saved to a file. The panel's own showing is left to it (hiddenTimeOver()).
class FullScreenCapture : public QObject
{
    Q_OBJECT

public:
    // How long the panel stays away after a capture.
    static constexpr int hiddenMs = 1400;

    // Grabs through `grabber` once `withdrawal` has taken `panel` off the screen; both must
    // outlive every grab this starts (the panel drops them first).
    FullScreenCapture(QWidget *panel, DesktopGrabber &grabber, WindowWithdrawal &withdrawal);
    ~FullScreenCapture() override;

    // The last capture; null until the first one.
    const QPixmap &lastCapture() const { return picture; }
    // The panel is leaving the screen or the desktop is being grabbed.
    bool isGrabbing() const { return grabbing; }

    // Takes the desktop, or with `windowFrame` (the window system's coordinates) only that
    // window's part of it. A held key repeats: a request while a capture is under way is dropped.
    void take(const std::optional<QRect> &windowFrame = std::nullopt);
    // Asks for a file name and writes the last capture there in the background. During a grab it
    // waits for that capture, and is dropped if the grab fails.
    void save();
    // The time the panel stays away is over: its timer and the shutter sound stop, once.
    void endHiddenTime();

signals:
    // The panel may come back.
    void hiddenTimeOver();

private:
    void keep(const DesktopPicture &desktop);
    void sayNotOnClipboard(const QString &why);
    void startHiddenTime();

    QWidget *const panel;
    DesktopGrabber &grabber;
    WindowWithdrawal &withdrawal;
    QPixmap picture;
    std::optional<QRect> frame;  // of the window being taken, during its grab
    QString saveFileName;
    QTimer *timer = nullptr;
    QMediaPlayer *player = nullptr;
    bool grabbing = false;
    bool saveWaiting = false; // save() was asked for during the grab
};
