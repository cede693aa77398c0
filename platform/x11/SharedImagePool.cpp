#include "SharedImagePool.h"

#include <QRect>
#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <sys/ipc.h>
#include <sys/mman.h>
#include <sys/shm.h>

#include <atomic>
#include <cstdlib>

namespace {
constexpr int bytesPerPixel = 4;

// The server leaves the fourth byte of a 24-bit pixel as it likes (mostly 0); QImage's RGB32
// must have it 0xff, or the picture turns transparent wherever it is painted over something.
void makeOpaque(uchar *pixels, size_t count)
{
    auto *pixel = reinterpret_cast<quint32 *>(pixels);
    for (size_t i = 0; i < count; ++i)
        pixel[i] |= 0xff000000u;
}
void populate(void *address, size_t bytes)
{
#ifdef MADV_POPULATE_WRITE
    madvise(address, bytes, MADV_POPULATE_WRITE);
#else
    constexpr int populateWrite = 23;  // Linux 5.14; older kernels refuse it, which costs nothing
    madvise(address, bytes, populateWrite);
#endif
}
} // namespace

// Our mapping of one segment. It lives as long as the pool or any picture on it, whichever is
// longer (a picture on the clipboard may outlive the pool at exit).
struct SharedImagePool::Segment
{
    ~Segment()
    {
        if (address)
            shmdt(address);
    }

    size_t bytes = 0;
    void *address = nullptr;
    uint32_t serverId = 0;  // the server's name for it; 0 once detached there
    std::atomic_bool busy{false};
};

namespace {
// A picture's hold on its segment: given up from whichever thread drops the picture last.
struct Hold
{
    std::shared_ptr<void> segment;
    std::atomic_bool *busy;
};

void releaseHold(void *info)
{
    auto *hold = static_cast<Hold *>(info);
    hold->busy->store(false);
    delete hold;
}
} // namespace

SharedImagePool::SharedImagePool(xcb_connection_t *connection)
    : connection(connection)
{
}

SharedImagePool::~SharedImagePool()
{
    for (const std::shared_ptr<Segment> &segment : segments)
        if (segment->serverId)
            xcb_shm_detach(connection, segment->serverId);
    xcb_flush(connection);
}

bool SharedImagePool::available() const
{
    const xcb_query_extension_reply_t *shm = xcb_get_extension_data(connection, &xcb_shm_id);
    return shm && shm->present;
}

std::shared_ptr<SharedImagePool::Segment> SharedImagePool::idleSegment(size_t bytes) const
{
    for (const std::shared_ptr<Segment> &segment : segments)
        if (!segment->busy && segment->bytes == bytes)
            return segment;
    return nullptr;
}

std::shared_ptr<SharedImagePool::Segment> SharedImagePool::freeSegment(size_t bytes)
{
    if (std::shared_ptr<Segment> idle = idleSegment(bytes))
        return idle;

    auto segment = std::make_shared<Segment>();
    const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (id < 0)
        return nullptr;
    void *address = shmat(id, nullptr, 0);
    if (address == reinterpret_cast<void *>(-1)) {
        shmctl(id, IPC_RMID, nullptr);
        return nullptr;
    }
    segment->address = address;
    segment->bytes = bytes;
    // All pages at once, in one call, instead of one fault at a time when they are first written.
    populate(address, bytes);
    // Checked, with the error read here: a refusal is expected on a remote server and must not
    // reach the toolkit's error handler, which would print it.
    const uint32_t serverId = xcb_generate_id(connection);
    xcb_generic_error_t *error = xcb_request_check(connection, xcb_shm_attach_checked(connection, serverId, uint32_t(id), 0));
    // Attached or refused, the system may remove the segment once the last of us lets go of it,
    // so nothing is left behind however the program ends.
    shmctl(id, IPC_RMID, nullptr);
    if (error) {
        std::free(error);
        return nullptr;
    }
    segment->serverId = serverId;
    segments.push_back(segment);
    return segment;
}

void SharedImagePool::keepOneSpare(size_t bytes)
{
    bool spare = false;
    for (auto it = segments.begin(); it != segments.end();) {
        const bool keep = (*it)->busy || (!spare && (*it)->bytes == bytes);
        spare = spare || (keep && !(*it)->busy);
        if (keep) {
            ++it;
            continue;
        }
        xcb_shm_detach(connection, (*it)->serverId);
        (*it)->serverId = 0;
        it = segments.erase(it);
    }
}

void SharedImagePool::prepareSpare(unsigned int root, const QRect &area)
{
    const size_t bytes = size_t(area.width()) * size_t(area.height()) * bytesPerPixel;
    if (bytes == 0)
        return;
    // A quick run of grabs may have needed a third segment while two pictures were still held;
    // once they are let go, one free segment is all the next grab needs.
    keepOneSpare(bytes);
    if (idleSegment(bytes))
        return;
    if (const std::shared_ptr<Segment> segment = freeSegment(bytes)) {
        const xcb_shm_get_image_cookie_t write = xcb_shm_get_image_unchecked(
            connection, root, int16_t(area.x()), int16_t(area.y()), uint16_t(area.width()), uint16_t(area.height()),
            ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP, segment->serverId, 0);
        xcb_discard_reply(connection, write.sequence);
        xcb_flush(connection);
    }
}

QImage SharedImagePool::grab(unsigned int root, const QRect &area)
{
    const size_t bytes = size_t(area.width()) * size_t(area.height()) * bytesPerPixel;
    const std::shared_ptr<Segment> segment = freeSegment(bytes);
    if (!segment)
        return {};
    xcb_generic_error_t *error = nullptr;
    auto *reply = xcb_shm_get_image_reply(
        connection,
        xcb_shm_get_image(connection, root, int16_t(area.x()), int16_t(area.y()), uint16_t(area.width()),
                          uint16_t(area.height()), ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP, segment->serverId, 0),
        &error);
    const bool written = reply && !error;
    std::free(reply);
    std::free(error);
    if (!written)
        return {};
    auto *pixels = static_cast<uchar *>(segment->address);
    makeOpaque(pixels, bytes / bytesPerPixel);
    segment->busy = true;
    keepOneSpare(bytes);
    return QImage(pixels, area.width(), area.height(), area.width() * bytesPerPixel, QImage::Format_RGB32,
                  releaseHold, new Hold{segment, &segment->busy});
}
