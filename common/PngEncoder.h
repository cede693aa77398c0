#pragma once

class QByteArray;
class QImage;

// The picture as a PNG file in memory, for the clipboard and every save: 8-bit RGB when every
// pixel is opaque, 8-bit RGBA with straight (not premultiplied) alpha otherwise, each row
// Paeth-filtered, one zlib stream from libdeflate at its fastest level. Every format QImage has is
// taken; the device pixel ratio is not written (the file holds the device pixels). Empty for a
// null picture, one too large for a QByteArray, or when memory runs out. Safe to call from any
// thread.
QByteArray encodePng(const QImage &picture);
