#pragma once

class QImage;
class QPixmap;

// The capture as it goes into a file: painted over white, so transparent parts do not turn black
// in formats without alpha, at the capture's own device pixels; opaque, so without alpha itself.
// Null for a null capture.
QImage flattenOnWhite(const QPixmap &capture);
