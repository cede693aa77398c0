#include "Magnifier.h"

#include <QColor>
#include <QImage>
#include <QPainter>

namespace {

constexpr int zoomSide = magnifiedPixels * magnifiedPixelSize;
constexpr int textHeight = 52;  // three lines of the overlay's small text
constexpr int distance = 24;    // from the pointer to the box, clear of the cursor's arrow

QImage pixelsAround(const QImage &picture, const QPoint &centre)
{
    constexpr int half = magnifiedPixels / 2;
    QImage pixels(magnifiedPixels, magnifiedPixels, QImage::Format_RGB32);
    pixels.fill(Qt::black);
    const QRect wanted(centre - QPoint(half, half), QSize(magnifiedPixels, magnifiedPixels));
    const QRect available = wanted & picture.rect();
    if (available.isEmpty())
        return pixels;
    QPainter painter(&pixels);
    painter.drawImage(available.topLeft() - wanted.topLeft(), picture, available);
    return pixels;
}

void paintGrid(QPainter &painter, const QRect &zoom)
{
    painter.setPen(QColor(0, 0, 0, 40));
    for (int i = 1; i < magnifiedPixels; ++i) {
        const int offset = i * magnifiedPixelSize;
        painter.drawLine(zoom.left() + offset, zoom.top(), zoom.left() + offset, zoom.bottom());
        painter.drawLine(zoom.left(), zoom.top() + offset, zoom.right(), zoom.top() + offset);
    }
    // The crosshair: the row and column through the pointer's pixel, the pixel itself framed.
    const int middle = (magnifiedPixels / 2) * magnifiedPixelSize;
    painter.fillRect(QRect(zoom.left(), zoom.top() + middle, zoomSide, magnifiedPixelSize), QColor(0, 120, 255, 60));
    painter.fillRect(QRect(zoom.left() + middle, zoom.top(), magnifiedPixelSize, zoomSide), QColor(0, 120, 255, 60));
    painter.setPen(QColor(Qt::white));
    painter.drawRect(zoom.left() + middle, zoom.top() + middle, magnifiedPixelSize - 1, magnifiedPixelSize - 1);
}

} // namespace

QRect magnifierBox(const QPoint &pointer, const QRect &screen)
{
    const QSize size(zoomSide, zoomSide + textHeight);
    QPoint topLeft = pointer + QPoint(distance, distance);
    // Flipped to the other side of the pointer rather than pushed under it.
    if (topLeft.x() + size.width() > screen.right() + 1)
        topLeft.setX(pointer.x() - distance - size.width());
    if (topLeft.y() + size.height() > screen.bottom() + 1)
        topLeft.setY(pointer.y() - distance - size.height());
    topLeft.setX(qMax(topLeft.x(), screen.left()));
    topLeft.setY(qMax(topLeft.y(), screen.top()));
    return QRect(topLeft, size);
}

QString colourName(const QColor &colour)
{
    return colour.name(QColor::HexRgb).toUpper();
}

void paintMagnifier(QPainter &painter, const QRect &box, const QImage &picture, const QPoint &centre,
                    const QPoint &position)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    const QRect zoom(box.topLeft(), QSize(zoomSide, zoomSide));
    painter.drawImage(zoom, pixelsAround(picture, centre));
    paintGrid(painter, zoom);

    const QRect text(box.left(), zoom.bottom() + 1, box.width(), box.height() - zoomSide);
    painter.fillRect(text, QColor(0, 0, 0, 200));
    const QColor colour = picture.rect().contains(centre) ? QColor(picture.pixel(centre)) : QColor(Qt::black);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(12);
    painter.setFont(font);
    const QString lines = QStringLiteral("(%1, %2)\nRGB(%3, %4, %5)\n%6")
                              .arg(position.x())
                              .arg(position.y())
                              .arg(colour.red())
                              .arg(colour.green())
                              .arg(colour.blue())
                              .arg(colourName(colour));
    painter.drawText(text.adjusted(6, 2, -4, -2), Qt::AlignLeft | Qt::AlignVCenter, lines);
    painter.setPen(QColor(255, 255, 255, 180));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    painter.restore();
}
