#include "MarkupPainting.h"

#include "MarkupDocument.h"
#include "MarkupGeometry.h"
#include "MarkupItem.h"
#include "MarkupText.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QStringList>

namespace markup {

namespace {

QPen strokePen(const MarkupItem &item, Qt::PenJoinStyle join)
{
    QColor colour = item.style.colour;
    if (item.kind == MarkupKind::Marker)
        colour.setAlpha(markerAlpha);
    return QPen(colour, lineWidth(item), Qt::SolidLine, Qt::RoundCap, join);
}

void paintStroke(QPainter &painter, const MarkupItem &item)
{
    painter.setPen(strokePen(item, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    if (item.points.size() == 1) {
        painter.drawPoint(item.points.first());
        return;
    }
    // One path, so the marker's translucent stroke does not darken where it crosses itself.
    QPainterPath path(item.points.first());
    for (int i = 1; i < item.points.size(); ++i)
        path.lineTo(item.points[i]);
    painter.drawPath(path);
}

void paintArrow(QPainter &painter, const MarkupItem &item)
{
    const QPointF start = item.points.first();
    const QPointF end = item.points.last();
    const QPolygonF head = arrowHead(start, end, lineWidth(item));
    if (head.isEmpty())
        return;
    // The shaft stops inside the head, so its round cap never pokes out of the tip.
    const QPointF base = (head[1] + head[2]) / 2;
    painter.setPen(strokePen(item, Qt::MiterJoin));
    painter.drawLine(start, (base + end) / 2);
    painter.setPen(Qt::NoPen);
    painter.setBrush(item.style.colour);
    painter.drawPolygon(head);
}

void paintText(QPainter &painter, const MarkupItem &item)
{
    const QFont font = textFont(item.style.size);
    const QFontMetricsF metrics(font);
    painter.setFont(font);
    painter.setPen(item.style.colour);
    const QStringList lines = item.text.split(QLatin1Char('\n'));
    QPointF baseline = item.points.first() + QPointF(0, metrics.ascent());
    int lineStart = 0;
    for (const QString &line : lines) {
        painter.drawText(baseline, line);
        // The input method's composition, underlined where it sits on this line.
        const int from = std::max(item.preeditStart, lineStart) - lineStart;
        const int to = std::min(item.preeditStart + item.preeditLength, lineStart + int(line.size())) - lineStart;
        if (item.preeditStart >= 0 && from < to) {
            const qreal x0 = baseline.x() + metrics.horizontalAdvance(line.left(from));
            const qreal x1 = baseline.x() + metrics.horizontalAdvance(line.left(to));
            const qreal y = baseline.y() + std::max<qreal>(1, metrics.underlinePos());
            painter.drawLine(QPointF(x0, y), QPointF(x1, y));
        }
        baseline.ry() += metrics.lineSpacing();
        lineStart += line.size() + 1;
    }
}

void paintNumber(QPainter &painter, const MarkupItem &item)
{
    const QRectF circle = numberCircle(item);
    painter.setPen(Qt::NoPen);
    painter.setBrush(item.style.colour);
    painter.drawEllipse(circle);
    QFont font = textFont(std::max(1, qRound(item.style.size * 0.95)));
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(circle, Qt::AlignCenter, QString::number(item.number));
}

void paintObscured(QPainter &painter, const MarkupItem &item)
{
    if (item.patch) {
        painter.drawImage(item.patchOrigin, *item.patch);
        return;
    }
    QPen pen(item.style.colour, 1, Qt::DashLine);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(item.cornerRect()));
}

} // namespace

void paintItem(QPainter &painter, const MarkupItem &item)
{
    if (item.points.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    switch (item.kind) {
    case MarkupKind::Rectangle:
        painter.setPen(strokePen(item, Qt::MiterJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(item.points.first(), item.points.last()).normalized());
        break;
    case MarkupKind::Ellipse:
        painter.setPen(strokePen(item, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(QRectF(item.points.first(), item.points.last()).normalized());
        break;
    case MarkupKind::Line:
    case MarkupKind::Pen:
    case MarkupKind::Marker:
        paintStroke(painter, item);
        break;
    case MarkupKind::Arrow:
        paintArrow(painter, item);
        break;
    case MarkupKind::Text:
        paintText(painter, item);
        break;
    case MarkupKind::Number:
        paintNumber(painter, item);
        break;
    case MarkupKind::Mosaic:
    case MarkupKind::Blur:
        paintObscured(painter, item);
        break;
    }
    painter.restore();
}

void paintMarkup(QPainter &painter, const MarkupDocument &document, const QRect &deviceArea)
{
    painter.save();
    painter.setClipRect(deviceArea, Qt::IntersectClip);
    for (const MarkupItem &item : document.items())
        if (itemBounds(item).intersects(deviceArea))
            paintItem(painter, item);
    painter.restore();
}

QImage renderMarkedUp(const QImage &frozen, const MarkupDocument &document, const QRect &deviceArea)
{
    const QRect area = deviceArea & frozen.rect();
    if (area.isEmpty())
        return {};
    QImage result = frozen.copy(area);
    switch (result.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        break;
    default:
        result = result.convertToFormat(QImage::Format_RGB32);
    }
    QPainter painter(&result);
    painter.translate(-area.topLeft());
    paintMarkup(painter, document, area);
    return result;
}

} // namespace markup

