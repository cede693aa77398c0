#pragma once

class QImage;
class QPixmap;
class QString;
struct SaveFailure;

// The capture as it goes into a file: painted over white, so transparent parts do not turn black
// in formats without alpha, at the capture's own device pixels; opaque, so without alpha itself.
QImage flattenOnWhite(const QPixmap &capture);

// Writes the flattened capture; the format follows the suffix. An existing file survives a
// failed write untouched. Returns whether the file now holds the capture; on failure `failure`
// (if given) receives the reason.
bool saveCapture(const QPixmap &capture, const QString &fileName, SaveFailure *failure = nullptr);
