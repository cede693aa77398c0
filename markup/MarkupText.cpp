#include "MarkupText.h"

#include "MarkupItem.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QStringList>

namespace markup {

namespace {

constexpr qreal cursorWidth = 2;
constexpr qreal emptyTextWidth = 4;

} // namespace

QFont textFont(int pixelSize)
{
    QFont font = QGuiApplication::font();
    font.setPixelSize(std::max(1, pixelSize));
    return font;
}

qreal textLineSpacing(int pixelSize)
{
    return QFontMetricsF(textFont(pixelSize)).lineSpacing();
}

QRectF textBounds(const MarkupItem &item)
{
    if (item.points.isEmpty())
        return {};
    const QFontMetricsF metrics(textFont(item.style.size));
    qreal width = emptyTextWidth;
    const QStringList lines = item.text.split(QLatin1Char('\n'));
    for (const QString &line : lines)
        width = std::max(width, metrics.horizontalAdvance(line));
    // Glyphs may reach a little beyond their advance (italic ends, accents): one em more is safe.
    const qreal overhang = metrics.height() / 4;
    return QRectF(item.points.first(), QSizeF(width + cursorWidth, lines.size() * metrics.lineSpacing()))
        .adjusted(-overhang, 0, overhang, metrics.descent());
}

QRectF textCursorRect(const QPointF &topLeft, int pixelSize, const QString &text, int position)
{
    const QFontMetricsF metrics(textFont(pixelSize));
    const QString before = text.left(position);
    const int line = before.count(QLatin1Char('\n'));
    const QString lineBefore = before.mid(before.lastIndexOf(QLatin1Char('\n')) + 1);
    return QRectF(topLeft.x() + metrics.horizontalAdvance(lineBefore), topLeft.y() + line * metrics.lineSpacing(),
                  cursorWidth, metrics.height());
}

int textPositionAt(const QString &text, int pixelSize, int line, qreal x)
{
    const QStringList lines = text.split(QLatin1Char('\n'));
    line = qBound(0, line, int(lines.size()) - 1);
    int start = 0;
    for (int i = 0; i < line; ++i)
        start += lines[i].size() + 1;
    const QFontMetricsF metrics(textFont(pixelSize));
    const QString &words = lines[line];
    int best = 0;
    qreal bestDistance = x;
    for (int i = 1; i <= words.size(); ++i) {
        const qreal distance = std::abs(metrics.horizontalAdvance(words.left(i)) - x);
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return start + best;
}

QRectF numberCircle(const MarkupItem &item)
{
    if (item.points.isEmpty())
        return {};
    const qreal diameter = item.style.size * 1.6;
    return QRectF(item.points.first() - QPointF(diameter / 2, diameter / 2), QSizeF(diameter, diameter));
}

} // namespace markup
