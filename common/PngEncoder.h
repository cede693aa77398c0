#pragma once

class QByteArray;
class QImage;

// libdeflate's scale, 1 (fastest) to 12. The clipboard wants the PNG at once: it is pasted within
// a second and dropped at the next capture. A file is kept: at level 2 a screen of windows and
// text comes out some 4% smaller than at 1 in no more time, a photograph some 3% smaller for half
// as long again; both within about 8% of Qt's writer at its default, which takes three times as
// long on the screen and over ten times on the photograph. Each level beyond costs far more time
// than it saves bytes (bench/capture-latency.sh shows both levels beside Qt's writer).
constexpr int clipboardPngLevel = 1;
constexpr int filePngLevel = 2;

// The picture as a PNG file in memory: 8-bit RGB when every pixel is opaque, 8-bit RGBA with
// straight (not premultiplied) alpha otherwise, each row Paeth-filtered, one zlib stream from
// libdeflate at `level`. Every format QImage has is taken; the device pixel ratio is not written
// (the file holds the device pixels). Empty for a null picture, one too large for a QByteArray,
// or when memory runs out. Safe to call from any thread.
QByteArray encodePng(const QImage &picture, int level = clipboardPngLevel);
