#include "QtDesktopGrabber.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

void QtDesktopGrabber::grab(QObject *context, Done done)
{
    Q_UNUSED(context)
    DesktopPicture picture;
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        // Window 0 is the desktop window itself, grabbed from its origin at its full size.
        picture.image = screen->grabWindow(0, 0, 0, -1, -1).toImage();
    }
    if (picture.image.isNull())
        picture.failure = QStringLiteral("the window system refused to hand over the screen");
    done(picture);
}
