#include "CaptureSave.h"

#include "common/SafeSave.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QString>

QImage flattenOnWhite(const QPixmap &capture)
{
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

bool saveCapture(const QPixmap &capture, const QString &fileName, SaveFailure *failure)
{
    return savePictureSafely(capture.isNull() ? QImage() : flattenOnWhite(capture), fileName, failure);
}
