#include "CaptureSave.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>

QImage flattenOnWhite(const QPixmap &capture)
{
    if (capture.isNull())
        return {};
    // Without alpha nothing can show through: the pixels as they are, which costs nothing even for
    // a whole desktop, since the capture is flattened on the GUI thread.
    if (!capture.hasAlphaChannel()) {
        QImage pixels = capture.toImage();
        pixels.setDevicePixelRatio(1.0);
        return pixels;
    }
    // size() is in device pixels; giving the canvas the capture's ratio keeps the painter's
    // logical coordinates in step, so a scaled screen's capture is neither halved nor cropped.
    QImage canvas(capture.size(), QImage::Format_ARGB32_Premultiplied);
    canvas.setDevicePixelRatio(capture.devicePixelRatio());
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(QRectF(QPointF(0, 0), QSizeF(capture.size()) / capture.devicePixelRatio()), Qt::white);
    painter.drawPixmap(QPointF(0.0, 0.0), capture);
    painter.end();
    canvas.setDevicePixelRatio(1.0);
    // Every pixel is opaque now: the file needs no alpha channel, which makes a PNG smaller and
    // quicker to write. The pixels themselves stay as they are.
    canvas.reinterpretAsFormat(QImage::Format_RGB32);
    return canvas;
}
