#include "Obscuring.h"

#include <algorithm>
#include <vector>

namespace markup {

namespace {

// An opaque picture gives opaque patches, and those are drawn by plain copying.
QImage finished(const QImage &patch, const QImage &picture)
{
    return patch.convertToFormat(picture.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                           : QImage::Format_RGB32);
}

QImage premultiplied(const QImage &picture, const QRect &rect)
{
    return picture.copy(rect).convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// One box blur of `radius` along a line of `count` pixels `step` apart, the line's own end
// pixels standing for what lies beyond it.
void boxBlurLine(const QRgb *in, QRgb *out, int count, int step, int radius)
{
    const int window = 2 * radius + 1;
    int sum[4] = {0, 0, 0, 0};
    auto add = [&sum](QRgb pixel, int sign) {
        sum[0] += sign * qAlpha(pixel);
        sum[1] += sign * qRed(pixel);
        sum[2] += sign * qGreen(pixel);
        sum[3] += sign * qBlue(pixel);
    };
    auto at = [&](int i) { return in[std::clamp(i, 0, count - 1) * step]; };
    for (int i = -radius; i <= radius; ++i)
        add(at(i), 1);
    for (int i = 0; i < count; ++i) {
        out[i * step] = qRgba((sum[1] + radius) / window, (sum[2] + radius) / window,
                              (sum[3] + radius) / window, (sum[0] + radius) / window);
        add(at(i + radius + 1), 1);
        add(at(i - radius), -1);
    }
}

void boxBlur(QImage &image, bool horizontal, int radius)
{
    QImage result(image.size(), image.format());
    const int lines = horizontal ? image.height() : image.width();
    const int count = horizontal ? image.width() : image.height();
    const int pixelStride = image.bytesPerLine() / int(sizeof(QRgb));
    for (int line = 0; line < lines; ++line) {
        const QRgb *in = horizontal ? reinterpret_cast<const QRgb *>(image.constScanLine(line))
                                    : reinterpret_cast<const QRgb *>(image.constBits()) + line;
        QRgb *out = horizontal ? reinterpret_cast<QRgb *>(result.scanLine(line))
                               : reinterpret_cast<QRgb *>(result.bits()) + line;
        boxBlurLine(in, out, count, horizontal ? 1 : pixelStride, radius);
    }
    image = result;
}

} // namespace

QImage mosaicPatch(const QImage &picture, const QRect &area, int block)
{
    const QRect inside = area & picture.rect();
    if (inside.isEmpty() || block < 1)
        return {};
    // Means of unpremultiplied pixels: an opaque desktop is the same either way, and a mean of
    // colours is what one expects to see.
    const QImage source = picture.copy(inside).convertToFormat(QImage::Format_ARGB32);
    QImage patch(inside.size(), QImage::Format_ARGB32);
    // The grid starts at the dragged corner even when that corner lies off the picture.
    const int firstTop = area.top() + (inside.top() - area.top()) / block * block;
    const int firstLeft = area.left() + (inside.left() - area.left()) / block * block;
    for (int top = firstTop; top <= inside.bottom(); top += block) {
        for (int left = firstLeft; left <= inside.right(); left += block) {
            const QRect cell = QRect(left, top, block, block).intersected(inside).translated(-inside.topLeft());
            quint64 sum[4] = {0, 0, 0, 0};
            for (int y = cell.top(); y <= cell.bottom(); ++y) {
                const QRgb *row = reinterpret_cast<const QRgb *>(source.constScanLine(y));
                for (int x = cell.left(); x <= cell.right(); ++x) {
                    sum[0] += qAlpha(row[x]);
                    sum[1] += qRed(row[x]);
                    sum[2] += qGreen(row[x]);
                    sum[3] += qBlue(row[x]);
                }
            }
            const quint64 n = quint64(cell.width()) * quint64(cell.height());
            auto mean = [n](quint64 total) { return int((total + n / 2) / n); };
            const QRgb colour = qRgba(mean(sum[1]), mean(sum[2]), mean(sum[3]), mean(sum[0]));
            for (int y = cell.top(); y <= cell.bottom(); ++y)
                std::fill_n(reinterpret_cast<QRgb *>(patch.scanLine(y)) + cell.left(), cell.width(), colour);
        }
    }
    return finished(patch, picture);
}

namespace {

// Three passes reach three radii: that much of the surroundings feeds the edges.
QRect fedArea(const QImage &picture, const QRect &inside, int radius)
{
    const int reach = 3 * radius;
    return inside.adjusted(-reach, -reach, reach, reach) & picture.rect();
}

void blurThrice(QImage &work, int radius)
{
    for (int pass = 0; pass < 3; ++pass) {
        boxBlur(work, true, radius);
        boxBlur(work, false, radius);
    }
}

} // namespace

QImage blurPatch(const QImage &picture, const QRect &area, int radius)
{
    const QRect inside = area & picture.rect();
    if (inside.isEmpty())
        return {};
    radius = std::max(1, radius);
    const QRect fed = fedArea(picture, inside, radius);
    QImage work = premultiplied(picture, fed);
    blurThrice(work, radius);
    return finished(work.copy(inside.translated(-fed.topLeft())), picture);
}

QImage blurPreview(const QImage &picture, const QRect &area, int radius)
{
    constexpr int shrink = 4;
    const QRect inside = area & picture.rect();
    if (inside.isEmpty())
        return {};
    radius = std::max(shrink, radius);
    const QRect fed = fedArea(picture, inside, radius);
    const QSize small((fed.width() + shrink - 1) / shrink, (fed.height() + shrink - 1) / shrink);
    QImage work = premultiplied(picture, fed).scaled(small, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    blurThrice(work, radius / shrink);
    const QImage large = work.scaled(fed.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return finished(large.copy(inside.translated(-fed.topLeft())), picture);
}

} // namespace markup
