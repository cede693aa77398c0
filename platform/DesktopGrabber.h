#pragma once

#include <QImage>
#include <QString>

#include <functional>
#include <memory>

class QObject;

// A picture of the whole desktop, or why there is none.
struct DesktopPicture
{
    QImage image;     // every screen of the virtual desktop at device pixels; null on failure
    QString failure;  // a short reason for the user when the image is null

    bool isValid() const { return !image.isNull(); }
};

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
    // where the window system answers at once, otherwise later from the event loop. Not called
    // once `context` is gone.
    virtual void grab(QObject *context, Done done) = 0;
};
