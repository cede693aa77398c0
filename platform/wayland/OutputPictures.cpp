#include "OutputPictures.h"

#include "platform/DesktopGrabber.h"

#include <QPainter>
#include <QTransform>

#include <wayland-client-protocol.h>

QImage::Format imageFormatForShm(uint32_t shmFormat)
{
    // wl_shm names formats by their bits in a little-endian word; the toolkit's 32-bit formats
    // by the word itself (RGB32 is 0xffRRGGBB), its byte formats by bytes in memory.
    switch (shmFormat) {
    case WL_SHM_FORMAT_XRGB8888:
    case WL_SHM_FORMAT_ARGB8888: // an output's alpha says nothing: its pixels are all shown
        return QImage::Format_RGB32;
    case WL_SHM_FORMAT_XBGR8888:
    case WL_SHM_FORMAT_ABGR8888:
        return QImage::Format_RGBX8888;
    case WL_SHM_FORMAT_XRGB2101010:
    case WL_SHM_FORMAT_ARGB2101010:
        return QImage::Format_RGB30;
    case WL_SHM_FORMAT_XBGR2101010:
    case WL_SHM_FORMAT_ABGR2101010:
        return QImage::Format_BGR30;
    case WL_SHM_FORMAT_RGB565:
        return QImage::Format_RGB16;
    case WL_SHM_FORMAT_BGR888:
        return QImage::Format_RGB888;
    case WL_SHM_FORMAT_RGB888:
        return QImage::Format_BGR888;
    default:
        return QImage::Format_Invalid;
    }
}

QImage upright(const OutputPicture &output)
{
    QImage image = output.yInverted ? output.pixels.mirrored(false, true) : output.pixels;
    const int transform = output.transform;
    if (transform == WL_OUTPUT_TRANSFORM_NORMAL)
        return image;
    // The transform says how the compositor turned the picture into the buffer: counter-clockwise
    // by a quarter per step, then for the flipped ones a mirror about the vertical axis. The
    // user's view undoes it.
    const int quarters = transform % 4;
    if (quarters != 0)
        image = image.transformed(QTransform().rotate(90.0 * quarters));
    if (transform >= WL_OUTPUT_TRANSFORM_FLIPPED)
        image = image.mirrored(true, false);
    return image;
}

QImage layoutPicture(const QVector<OutputPicture> &outputs)
{
    QRect layout;
    qreal scale = 0;
    QVector<QImage> shown;
    for (const OutputPicture &output : outputs) {
        shown << upright(output);
        layout |= output.logical;
        if (!output.logical.isEmpty())
            scale = qMax(scale, qreal(shown.last().width()) / output.logical.width());
    }
    if (layout.isEmpty() || scale <= 0)
        return QImage();
    // A single output at its own size is the picture already.
    if (outputs.size() == 1 && shown.first().width() == qRound(layout.width() * scale))
        return shown.first().convertToFormat(QImage::Format_RGB32);

    const QSize size(qRound(layout.width() * scale), qRound(layout.height() * scale));
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(Qt::black);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (int i = 0; i < outputs.size(); ++i) {
        const QRect area = scaledLayoutArea(outputs[i].logical, layout, size);
        if (area.size() == shown[i].size())
            painter.drawImage(area.topLeft(), shown[i]);
        else
            painter.drawImage(area, shown[i]);
    }
    return picture;
}
