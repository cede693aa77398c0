#pragma once

#include <QImage>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QVector>

#include <functional>
#include <memory>

class QObject;
class QScreen;

// Where one screen lies in a picture of the desktop.
struct ScreenPart
{
    QPointer<QScreen> screen;  // null once the screen has gone
    QRect area;                // in the picture's pixels
    qreal scale = 0;           // picture pixels per logical pixel; 0: the screen's device pixel ratio
};

// A picture of the whole desktop, or why there is none.
struct DesktopPicture
{
    // The bounding box of every screen at device pixels (a device pixel ratio of 1), or where the
    // compositor makes the picture (Wayland) the output layout at its largest scale; what no
    // screen covers is black. Null on failure.
    QImage image;
    QVector<ScreenPart> screens;  // in the order the toolkit lists them
    // Why the image is null: `failure` in the interface's language, for the user; `detail` in the
    // system's own (English) words, for standard error and bug reports.
    QString failure;
    QString detail;

    bool isValid() const { return !image.isNull(); }
    // No picture, for these reasons.
    static DesktopPicture failed(const QString &failure, const QString &detail)
    {
        DesktopPicture picture;
        picture.failure = failure;
        picture.detail = detail;
        return picture;
    }
};

// Where a screen lies on the desktop in device pixels. The toolkit gives a scaled screen a
// logical size but keeps its device position, so the two cannot simply be multiplied.
QRect deviceArea(const QScreen *screen);

// The bounding box of every screen's device area.
QRect desktopDeviceArea();

// The screens' places in a picture that covers `covered` (device pixels) of the desktop.
QVector<ScreenPart> screenPartsWithin(const QRect &covered);

// The screens' places in a picture of the whole output layout that the compositor made at one
// scale for every output (a Wayland portal or grim): the bounding box of the screens' logical
// geometries, stretched to the picture's size. That scale is the largest output's, so a screen
// of a smaller scale takes more of the picture's pixels than it has itself.
QVector<ScreenPart> screenPartsScaledTo(const QSize &picture);

// Where the logical rectangle `logical` of an output layout whose bounding box is `layout` lies in
// a picture of the whole layout that is `picture` large.
QRect scaledLayoutArea(const QRect &logical, const QRect &layout, const QSize &picture);

// Paints black what no screen covers in a picture of `covered`: the window system may keep any
// pixels there.
void blackenUncovered(QImage &picture, const QRect &covered);

// Takes pictures of the desktop. Each window system has its own way (a root-window grab, a
// portal request), some of them answering only later, so the picture is handed to a callback.
class DesktopGrabber
{
public:
    using Done = std::function<void(const DesktopPicture &)>;

    // The back end for the window system the application runs on. Call after the application
    // object exists.
    static std::unique_ptr<DesktopGrabber> forThisSession();

    virtual ~DesktopGrabber() = default;

    // Takes the desktop as it is now and calls `done` once with the result: before returning
    // where the window system answers at once, otherwise later from the event loop. Never called
    // once `context` is gone or while it is being destroyed.
    virtual void grab(QObject *context, Done done) = 0;
};
