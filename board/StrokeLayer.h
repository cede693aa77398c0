#pragma once

#include <QColor>
#include <QImage>
#include <QRegion>
#include <QSize>
#include <QVector>

class QPoint;

// The board's pen strokes, drawn once onto a transparent picture of the window's size that every
// paint only copies. Points are only ever added at the end of the last stroke, so keeping up with
// them means drawing just the new segments; the whole layer is drawn again only when the pen
// (which colours every stroke) or the window's size changes.
class StrokeLayer
{
public:
    using Strokes = QVector<QVector<QPoint>>;

    // Brings the layer up to date with the strokes, the pen and the window (logical size and
    // device pixel ratio). Returns the window area whose look changed.
    QRegion update(const Strokes &strokes, const QColor &penColor, int penWidth, const QSize &size,
                   qreal devicePixelRatio);

    // Where the newest point of the strokes (the end of the last one) changes the window once
    // drawn: the segment it ends. A pen or size unlike the layer's gives the whole window. Costs the
    // same however many points wait to be drawn.
    QRegion newestPointArea(const Strokes &strokes, const QColor &penColor, int penWidth,
                            const QSize &size, qreal devicePixelRatio) const;

    // The strokes at the window's device pixels (its ratio set), transparent elsewhere.
    const QImage &image() const { return layer; }

private:
    bool matches(const QColor &penColor, int penWidth, const QSize &size, qreal devicePixelRatio) const;
    bool holdsPrefixOf(const Strokes &strokes) const;
    QRegion newSegmentsArea(const Strokes &strokes) const;
    void redraw(const Strokes &strokes);
    void drawNewSegments(const Strokes &strokes);

    QImage layer;
    QColor color;
    int width = 0;
    // How far the strokes have been drawn: the number of strokes, and of points in the last one.
    int drawnStrokes = 0;
    int drawnPointsOfLast = 0;
};
