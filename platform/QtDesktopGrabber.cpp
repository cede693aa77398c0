#include "QtDesktopGrabber.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

void QtDesktopGrabber::grab(QObject *context, Done done)
{
    Q_UNUSED(context)
    done(grabNow());
}

DesktopPicture QtDesktopGrabber::grabNow()
{
    DesktopPicture picture;
    const QRect covered = desktopDeviceArea();
    if (!covered.isEmpty()) {
        QImage desktop(covered.size(), QImage::Format_RGB32);
        desktop.fill(Qt::black);
        QPainter painter(&desktop);
        bool any = false;
        for (QScreen *screen : QGuiApplication::screens()) {
            // Window 0 is the desktop window; the toolkit hands back this screen's part of it.
            QImage part = screen->grabWindow(0).toImage();
            if (part.isNull())
                continue;
            part.setDevicePixelRatio(1.0);
            painter.drawImage(deviceArea(screen).topLeft() - covered.topLeft(), part);
            any = true;
        }
        painter.end();
        if (any) {
            picture.image = desktop;
            picture.screens = screenPartsWithin(covered);
        }
    }
    if (picture.image.isNull())
        return DesktopPicture::failed(QStringLiteral("窗口系统没有交出屏幕画面"),
                                      QStringLiteral("the window system refused to hand over the screen"));
    return picture;
}
