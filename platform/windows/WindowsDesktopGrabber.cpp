#include "WindowsDesktopGrabber.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

void WindowsDesktopGrabber::grab(QObject *context, Done done)
{
    Q_UNUSED(context)
    DesktopPicture picture;
    if (QScreen *primary = QGuiApplication::primaryScreen()) {
        // Screens left of or above the primary one lie at negative coordinates.
        const QRect desktop = primary->virtualGeometry();
        const QPoint origin = primary->geometry().topLeft();
        picture.image = primary->grabWindow(0, desktop.x() - origin.x(), desktop.y() - origin.y(),
                                            desktop.width(), desktop.height())
                            .toImage();
    }
    if (picture.image.isNull())
        picture.failure = QStringLiteral("the window system refused to hand over the screen");
    done(picture);
}
