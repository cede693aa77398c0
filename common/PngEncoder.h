#pragma once

class QByteArray;
class QImage;

// libdeflate's scale, 1 (fastest) to 12. The clipboard wants the PNG at once: it is pasted within
// a second and dropped at the next capture. A file is kept: level 3 makes a photograph's about 9%
// smaller for half as long again, within about 12% of Qt's writer at its default, which takes ten
// times as long; each level beyond it costs far more time than it saves bytes
// (bench/capture-latency.sh shows both levels beside Qt's writer).
constexpr int clipboardPngLevel = 1;
constexpr int filePngLevel = 3;

// The picture as a PNG file in memory: 8-bit RGB when every pixel is opaque, 8-bit RGBA with
// straight (not premultiplied) alpha otherwise, each row SUB-filtered, one zlib stream from
// libdeflate at `level`. Every format QImage has is taken; the device pixel ratio is not written
// (the file holds the device pixels). Empty for a null picture, one too large for a QByteArray,
// or when memory runs out. Safe to call from any thread.
QByteArray encodePng(const QImage &picture, int level = clipboardPngLevel);
