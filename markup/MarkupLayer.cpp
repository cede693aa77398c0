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
    // The format the backing store paints fastest from; the frozen desktop is opaque anyway.
    image = QImage(cached.size(), QImage::Format_ARGB32_Premultiplied);
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
    painter.drawImage(fromPicture.topLeft(), document.background(), fromPicture);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    markup::paintMarkup(painter, document, area);
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
