#include "Canvas.h"

#include <QBrush>
#include <QColor>
#include <QPainter>
#include <QPen>
#include <QPixmap>
#include <QPointF>

void drawPicture(QPainter &painter, const QPixmap &picture, int angle, double scaleX,
                 double scaleY, QPoint offset)
{
    const int halfWidth = picture.width() / 2;
    const int halfHeight = picture.height() / 2;
    painter.save();
    painter.translate(QPointF(offset.x() + halfWidth, offset.y() + halfHeight));
    painter.rotate(angle);
    painter.scale(scaleX, scaleY);
    painter.drawPixmap(QPointF(-halfWidth, -halfHeight), picture);
    painter.restore();
}

QPen strokePen(const QColor &color, int width)
{
    // A negative width has no meaning for a pen and is drawn as the cosmetic one-pixel pen
    // instead of being handed to the stroker.
    const qreal penWidth = width < 0 ? 0.0 : qreal(width);
    return QPen(QBrush(color, Qt::SolidPattern), penWidth, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
}

void drawStrokes(QPainter &painter, const QVector<QVector<QPoint>> &strokes, const QColor &color,
                 int width)
{
    painter.setPen(strokePen(color, width));
    for (const QVector<QPoint> &stroke : strokes) {
        for (int i = 1; i < stroke.size(); ++i)
            painter.drawLine(stroke.at(i - 1), stroke.at(i));
    }
}
