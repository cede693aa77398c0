#pragma once

class QImage;

// Puts a picture on the clipboard so that a paste is quick. Its PNG, what most programs paste, is
// encoded once, right away, on a worker thread, at a fast compression level, and handed out as
// those bytes; the other image types the toolkit offers are made from the picture on demand. A
// paste that comes before the encoding is done waits for it. A picture replaced on the clipboard
// before its turn is never encoded.
void offerOnClipboard(const QImage &picture);
