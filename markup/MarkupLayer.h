#pragma once

#include <QImage>
#include <QObject>
#include <QRect>
#include <QRegion>

class MarkupDocument;
class QPainter;
struct MarkupItem;

// A viewport's cache: its part of the frozen picture with the finished items painted in, kept up
// to date from the document's `changed` areas only. Painting a pointer move while drawing is then
// one copy of the repainted area plus the item being drawn, however many items are finished.
//
// One per viewport (each screen's overlay makes its own for the device area it shows); they share
// the document.
class MarkupLayer : public QObject
{
    Q_OBJECT

public:
    // Caches `deviceArea` of the document's background (device pixels of the frozen picture).
    MarkupLayer(const MarkupDocument &document, const QRect &deviceArea, QObject *parent = nullptr);

    QRect area() const { return cached; }

    // The cached picture: pixel (0, 0) is device point area().topLeft().
    const QImage &picture() const { return image; }

    // `deviceArea` ∩ area() marked up: the same pixels as markup::renderMarkedUp gives, but copied
    // from the cache instead of painted again, so a region within one viewport reaches the
    // clipboard sooner. (A region across viewports needs renderMarkedUp.)
    QImage markedUp(const QRect &deviceArea) const;

    // Draws `deviceArea` of the cache and the unfinished `drawing` item (may be null) over it,
    // with the painter set up as for markup::paintMarkup.
    void paint(QPainter &painter, const QRect &deviceArea, const MarkupItem *drawing = nullptr) const;
    // The same for each rectangle of `deviceArea` (a paint event's region, in device pixels).
    void paint(QPainter &painter, const QRegion &deviceArea, const MarkupItem *drawing = nullptr) const;

private:
    void refresh(const QRect &deviceArea);

    const MarkupDocument &document;
    QRect cached;
    QImage image;
};
