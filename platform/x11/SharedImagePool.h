#pragma once

#include <QImage>
#include <QSize>

#include <memory>
#include <vector>

struct xcb_connection_t;

// Shared-memory segments that the X server writes root pictures into, kept attached and reused:
// the first write into fresh memory costs the server and us a page fault per page (tens of
// milliseconds for a 4K screen), a reused segment none. A segment is busy while any picture made
// on it lives (on the clipboard, say); besides the busy ones one spare is kept for the next grab.
class SharedImagePool
{
public:
    explicit SharedImagePool(xcb_connection_t *connection);
    ~SharedImagePool();
    SharedImagePool(const SharedImagePool &) = delete;
    SharedImagePool &operator=(const SharedImagePool &) = delete;

    // Whether the server has the extension at all.
    bool available() const;

    // Has the server write `area` of `root` (32-bit pixels) into a free segment and returns the
    // picture on that memory, as QImage::Format_RGB32 with opaque pixels. Null when the server
    // refused (a remote one cannot reach our memory).
    QImage grab(unsigned int root, const QRect &area);

    // Makes sure a free segment for `area` is ready, and has the server write into it once
    // without waiting for the answer: its pages are then warm for the next grab, and our
    // event loop goes on meanwhile (the server handles our requests in order, so the next grab
    // finds that write done).
    void prepareSpare(unsigned int root, const QRect &area);

private:
    struct Segment;

    // A segment of `bytes` no picture holds, if there is one.
    std::shared_ptr<Segment> idleSegment(size_t bytes) const;
    // That, or a new one.
    std::shared_ptr<Segment> freeSegment(size_t bytes);
    void keepOneSpare(size_t bytes);

    xcb_connection_t *connection;
    std::vector<std::shared_ptr<Segment>> segments;
};
