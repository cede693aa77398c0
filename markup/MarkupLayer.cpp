#include "MarkupLayer.h"

#include "MarkupDocument.h"
#include "MarkupItem.h"
#include "MarkupPainting.h"

#include <QPainter>

MarkupLayer::MarkupLayer(const MarkupDocument &document, const QRect &deviceArea, QObject *parent)
    : QObject(parent)
    , document(document)
    , cached(deviceArea)
{
    // The frozen picture's own format where the painting of renderMarkedUp uses it, so the cache
    // holds the very pixels that leave; both are formats the backing store paints fast from.
    const QImage::Format format = document.background().format() == QImage::Format_ARGB32_Premultiplied
                                      ? QImage::Format_ARGB32_Premultiplied
                                      : QImage::Format_RGB32;
    image = QImage(cached.size(), format);
    image.fill(Qt::black);
    refresh(cached);
    connect(&document, &MarkupDocument::changed, this, &MarkupLayer::refresh);
}

void MarkupLayer::refresh(const QRect &deviceArea)
{
    const QRect area = deviceArea & cached;
    if (area.isEmpty())
        return;
    QPainter painter(&image);
    painter.translate(-cached.topLeft());
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    const QRect fromPicture = area & document.background().rect();
    if (fromPicture != area)
        painter.fillRect(area, Qt::black);
    if (!fromPicture.isEmpty())
        painter.drawImage(fromPicture.topLeft(), document.background(), fromPicture);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    markup::paintMarkup(painter, document, area);
}

QImage MarkupLayer::markedUp(const QRect &deviceArea) const
{
    const QRect area = deviceArea & cached & document.background().rect();
    if (area.isEmpty())
        return {};
    return image.copy(area.translated(-cached.topLeft()));
}

void MarkupLayer::paint(QPainter &painter, const QRect &deviceArea, const MarkupItem *drawing) const
{
    const QRect area = deviceArea & cached;
    if (area.isEmpty())
        return;
    painter.drawImage(area.topLeft(), image, area.translated(-cached.topLeft()));
    if (drawing) {
        painter.save();
        painter.setClipRect(area, Qt::IntersectClip);
        markup::paintItem(painter, *drawing);
        painter.restore();
    }
}

void MarkupLayer::paint(QPainter &painter, const QRegion &deviceArea, const MarkupItem *drawing) const
{
    for (const QRect &part : deviceArea)
        paint(painter, part, drawing);
}
