#pragma once

#include <QImage>
#include <QRect>

// Mosaic and blur, from the frozen picture's pixels only (never from other items drawn over
// them), so the result depends on nothing but the picture and the rectangle. Each returns the
// obscured pixels of `area` ∩ the picture, to be drawn at that rectangle's top-left corner, as
// QImage::Format_RGB32 from an opaque picture (Format_ARGB32_Premultiplied from one with an alpha
// channel); a null image when they do not meet.
namespace markup {

// Blocks of `block` × `block` pixels on a grid anchored at `area`'s top-left corner, each filled
// with the mean of the pixels it covers (edge blocks: of the part inside `area` and the picture),
// per channel, rounded to the nearest integer. Nothing of the original survives within a block,
// which is why this, not blur, is the one for passwords.
QImage mosaicPatch(const QImage &picture, const QRect &area, int block);

// Three box blurs of `radius` in each direction (close to a Gaussian of about that radius). The
// pixels around `area` feed its edges, so it blends into what stays sharp; still, a blur can be
// partly reversed, and small text under it guessed.
QImage blurPatch(const QImage &picture, const QRect &area, int radius);

// A quick likeness of blurPatch for the rectangle being dragged, computed at a quarter of the
// resolution: close to the result, cheap enough for every pointer move. The item added on release
// gets the real blurPatch.
QImage blurPreview(const QImage &picture, const QRect &area, int radius);

} // namespace markup
