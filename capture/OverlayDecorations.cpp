#include "OverlayDecorations.h"

#include "RegionGeometry.h"
#include "SelectionGeometry.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QRegion>

#include <cmath>

namespace {

constexpr int handleSide = 7;       // logical pixels
constexpr int readoutHeight = 20;   // logical pixels
constexpr int readoutPadding = 6;
constexpr int readoutFontSize = 12;
// How dark the desktop shows outside the selection.
constexpr int dimAlpha = 96;

int scaled(int logical, qreal ratio)
{
    return int(std::lround(logical * ratio));
}

QFont readoutFont(qreal ratio)
{
    QFont font;
    font.setPixelSize(scaled(readoutFontSize, ratio));
    return font;
}

} // namespace

QRect litArea(const Selection &selection)
{
    const Selection s = normalised(selection);
    return QRect(s.start, s.end);
}

QRect handleSquare(const QPoint &centre, qreal ratio)
{
    const int side = scaled(handleSide, ratio);
    return QRect(centre - QPoint(side / 2, side / 2), QSize(side, side));
}

void paintHandles(QPainter &painter, const Selection &selection, qreal ratio)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(Qt::white, qMax(1, scaled(1, ratio))));
    painter.setBrush(QColor(Qt::red));
    for (const QPoint &centre : handleCentres(selection))
        painter.drawRect(handleSquare(centre, ratio).adjusted(0, 0, -1, -1));
    painter.restore();
}

QString sizeReadout(const Selection &selection)
{
    const QRect inside = copyGrabRect(selection.start, selection.end);
    return QStringLiteral("%1 × %2").arg(inside.width()).arg(inside.height());
}

QRect sizeReadoutBox(const Selection &selection, const QRect &screen, qreal ratio)
{
    const Selection s = normalised(selection);
    const QFontMetrics metrics(readoutFont(ratio));
    const QSize size(metrics.horizontalAdvance(sizeReadout(s)) + 2 * scaled(readoutPadding, ratio),
                     scaled(readoutHeight, ratio));
    const int gap = scaled(4, ratio);
    QPoint topLeft(s.start.x(), s.start.y() - gap - size.height());
    if (topLeft.y() < screen.top())
        topLeft.setY(s.start.y() + gap + scaled(handleSide, ratio));
    topLeft.setX(qBound(screen.left(), topLeft.x(), screen.right() + 1 - size.width()));
    topLeft.setY(qBound(screen.top(), topLeft.y(), screen.bottom() + 1 - size.height()));
    return QRect(topLeft, size);
}

void paintSizeReadout(QPainter &painter, const Selection &selection, const QRect &screen, qreal ratio)
{
    const QRect box = sizeReadoutBox(selection, screen, ratio);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(box, QColor(0, 0, 0, 190));
    painter.setPen(Qt::white);
    painter.setFont(readoutFont(ratio));
    painter.drawText(box, Qt::AlignCenter, sizeReadout(selection));
    painter.restore();
}

QRect paintDimmedDesktop(QPainter &painter, const QPixmap &frozen, const QPoint &origin, const QRect &exposed,
                         const QRect &lit)
{
    const QRect bright = exposed & lit;
    painter.drawPixmap(exposed.topLeft(), frozen, exposed.translated(origin));
    for (const QRect &outside : QRegion(exposed).subtracted(bright))
        painter.fillRect(outside, QColor(0, 0, 0, dimAlpha));
    return bright;
}

void paintSelectionDecorations(QPainter &painter, const Selection &shown, bool withHandles, const QRect &screen,
                               qreal ratio)
{
    // The marks and the outline over the picture already drawn, not the picture again.
    paintOverlayInDevicePixels(painter, QPixmap(), shown.start, shown.end, {QRect(QPoint(0, 0), screen.size()), ratio});
    if (shown == Selection{})
        return;
    if (withHandles)
        paintHandles(painter, shown, ratio);
    paintSizeReadout(painter, shown, screen, ratio);
}
