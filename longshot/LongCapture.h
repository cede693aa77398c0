#pragma once

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QRect>

#include <memory>

class DesktopGrabber;
class LongCaptureBar;
class LongCaptureFrame;
class LongPicture;
class PageScroller;
class QLabel;
class QScreen;
class QTimer;
struct DesktopPicture;

// One long screenshot (长截图) of a region on the live screen: a frame marks the region (input
// passes through it), a small bar beside it offers 完成 and 取消 with the height so far, and a
// preview shows the growing picture. The page under the region is scrolled a wheel notch at a
// time where the window system lets a program do that (by hand elsewhere); after each notch the
// region is grabbed and joined. It ends on 完成, at the end of the page, at the height limit, or
// when a step lost the overlap; the capture deletes itself once it has told how it ended.
class LongCapture : public QObject
{
    Q_OBJECT

public:
    // `logicalArea` in the desktop's logical coordinates, on `screen`. `grabber` outlives it.
    LongCapture(const QRect &logicalArea, QScreen *screen, DesktopGrabber &grabber, QObject *parent = nullptr);
    ~LongCapture() override;

    void start();
    void finish();
    void cancel();

signals:
    // The long picture (null when cancelled or nothing was taken) and, when it ended by itself
    // for a reason the user should know, that reason.
    void finished(const QImage &picture, const QString &message);

private:
    void grabNow();
    void grabbed(const DesktopPicture &desktop);
    void scrollAndGrab();
    void end(const QString &message);
    void showPreview();
    QRect areaIn(const DesktopPicture &desktop) const;
    QPoint devicePoint(const QPoint &logical) const;

    QRect logicalArea;
    QPointer<QScreen> screen;
    DesktopGrabber &grabber;
    std::unique_ptr<PageScroller> scroller;
    std::unique_ptr<LongPicture> picture;
    LongCaptureFrame *frame = nullptr;
    LongCaptureBar *bar = nullptr;
    QLabel *preview = nullptr;
    QTimer *timer = nullptr;
    int unplacedWindows = 0;  // of the frame, bar and preview: the first grab waits for them
    int unmovedSteps = 0;
    int notches = 1;        // for the next step
    int notchesBefore = 1;  // in the step just grabbed
    bool grabbing = false;
    bool ending = false;
};
