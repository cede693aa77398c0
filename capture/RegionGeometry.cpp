#include "RegionGeometry.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPixmap>
#include <QtGlobal>

namespace {
constexpr int buttonRowGap = 50;     // from one button's left edge to the next
constexpr int buttonRowDrop = 20;    // below the pointer, so the row does not hide it
constexpr int cornerMarkArm = 50;
constexpr int cornerMarkWidth = 20;  // half of it lies off screen, leaving a 10-pixel mark

QRect buttonAt(int left, int top)
{
    return QRect(left, top, regionButtonSize, regionButtonSize);
}

// The grab starts one pixel inside the outline and ends `shrink` pixels short of the far outline.
QRect insideOutline(const QPoint &start, const QPoint &end, int shrink)
{
    const QRect selection = normalisedSelection(start, end);
    const QRect grab(selection.left() + 1, selection.top() + 1, selection.width() - shrink,
                     selection.height() - shrink);
    return grab.isEmpty() ? QRect() : grab;
}

qreal ratioOf(const QPixmap &frozen, const OverlayPlacement &placement)
{
    if (placement.ratio > 0)
        return placement.ratio;
    return frozen.isNull() ? 1.0 : frozen.devicePixelRatioF();
}

QRect sourceOf(const QPixmap &frozen, const OverlayPlacement &placement)
{
    return placement.source.isNull() ? QRect(QPoint(0, 0), frozen.size()) : placement.source;
}

qreal deviceWidth(const QPixmap &frozen, const OverlayPlacement &placement, const QPainter &painter)
{
    if (!frozen.isNull() || !placement.source.isNull())
        return sourceOf(frozen, placement).width();
    // No picture (a refused grab): the overlay's own width, at its device pixels.
    const QPaintDevice *device = painter.device();
    return device ? device->width() * device->devicePixelRatioF() : 0.0;
}

void paintCornerMarks(QPainter &painter, qreal width, qreal ratio)
{
    // The marks' sizes are the overlay's logical pixels, so they look the same at any scale.
    const qreal arm = cornerMarkArm * ratio;
    QPainterPath marks;
    marks.moveTo(0, 0);
    marks.lineTo(arm, 0);
    marks.moveTo(0, 0);
    marks.lineTo(0, arm);
    marks.moveTo(width, 0);
    marks.lineTo(width - arm, 0);
    marks.moveTo(width, 0);
    marks.lineTo(width, arm);
    painter.strokePath(marks, QPen(Qt::red, cornerMarkWidth * ratio));
}

void paintOutline(QPainter &painter, const QPoint &start, const QPoint &end)
{
    // Smoothed, a 1-pixel line along the pixel edges turns into two half-red pixels on either
    // side (the inner ones inside the part a copy takes) and its corners stay part red. Sharp and
    // through the pixel centres, it covers exactly the rows and columns of the two points, at any
    // device pixel ratio.
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QColor(Qt::red));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(QPointF(start) + QPointF(0.5, 0.5), QSizeF(end.x() - start.x(), end.y() - start.y())));
    painter.restore();
}
} // namespace

RegionButtonRow buttonRowAt(const QPoint &pointer, const QRect &screen)
{
    constexpr int rowWidth = 2 * buttonRowGap + regionButtonSize;
    int left = pointer.x() - buttonRowGap;
    int top = pointer.y() + buttonRowDrop;
    if (!screen.isNull()) {
        if (top + regionButtonSize > screen.bottom() + 1)
            top = pointer.y() - buttonRowDrop - regionButtonSize;
        top = qBound(screen.top(), top, screen.bottom() + 1 - regionButtonSize);
        left = qBound(screen.left(), left, screen.right() + 1 - rowWidth);
    }
    return {buttonAt(left, top), buttonAt(left + buttonRowGap, top), buttonAt(left + 2 * buttonRowGap, top)};
}

QRect normalisedSelection(const QPoint &start, const QPoint &end)
{
    return QRect(qMin(start.x(), end.x()), qMin(start.y(), end.y()), qAbs(end.x() - start.x()),
                 qAbs(end.y() - start.y()));
}

QRegion outlineArea(const QPoint &start, const QPoint &end)
{
    // The outline's pixels run from the near edges to `width`/`height` pixels further on; one
    // pixel either side leaves room for rounding at fractional device pixel ratios.
    const QRect selection = normalisedSelection(start, end);
    const QRegion band(selection.adjusted(-1, -1, 2, 2));
    const QRect inside = selection.adjusted(2, 2, -1, -1);
    return inside.isEmpty() ? band : band.subtracted(inside);
}

QRect saveGrabRect(const QPoint &start, const QPoint &end)
{
    return insideOutline(start, end, 2);
}

QRect copyGrabRect(const QPoint &start, const QPoint &end)
{
    return insideOutline(start, end, 1);
}

qreal overlayRatio(const QPixmap &frozen, const OverlayPlacement &placement)
{
    return ratioOf(frozen, placement);
}

void paintOverlayInDevicePixels(QPainter &painter, const QPixmap &frozen, const QPoint &start, const QPoint &end,
                                const OverlayPlacement &placement)
{
    painter.setRenderHint(QPainter::Antialiasing, true);
    if (!frozen.isNull()) {
        // One device pixel of the picture to one of the screen: copied, never resampled.
        const QRect source = sourceOf(frozen, placement);
        painter.drawPixmap(QRectF(QPointF(0, 0), QSizeF(source.size())), frozen, QRectF(source));
    }
    paintCornerMarks(painter, deviceWidth(frozen, placement, painter), ratioOf(frozen, placement));
    paintOutline(painter, start, end);
}

void paintOverlay(QPainter &painter, const QPixmap &frozen, const QPoint &start, const QPoint &end,
                  const OverlayPlacement &placement)
{
    painter.save();
    const qreal ratio = ratioOf(frozen, placement);
    painter.scale(1 / ratio, 1 / ratio);
    paintOverlayInDevicePixels(painter, frozen, start, end, placement);
    painter.restore();
}

QImage renderOverlayArea(const QPixmap &frozen, const QPoint &start, const QPoint &end, const QRect &area,
                         const OverlayPlacement &placement)
{
    if (area.isEmpty())
        return {};
    QImage picture(area.size(), QImage::Format_RGB32);
    picture.fill(Qt::black);  // what the overlay shows where there is no frozen picture
    QPainter painter(&picture);
    painter.translate(-area.topLeft());
    paintOverlayInDevicePixels(painter, frozen, start, end, placement);
    painter.end();
    picture.setDevicePixelRatio(ratioOf(frozen, placement));
    return picture;
}
