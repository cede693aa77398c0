#include "X11DesktopGrabber.h"

#include "platform/QtDesktopGrabber.h"

#include <QX11Info>
#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

struct FreeDeleter
{
    void operator()(void *p) const { std::free(p); }
};
template<typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

constexpr int bytesPerPixel = 4;

// Whether the root window's pixels are laid out as QImage::Format_RGB32 is: 32 bits per pixel,
// little-endian, 8-bit red, green and blue in that order from the top.
bool rootIsRgb32(xcb_connection_t *connection, const xcb_screen_t *screen)
{
    const xcb_setup_t *setup = xcb_get_setup(connection);
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST
        || (screen->root_depth != 24 && screen->root_depth != 32))
        return false;
    bool thirtyTwoBits = false;
    for (auto formats = xcb_setup_pixmap_formats_iterator(setup); formats.rem; xcb_format_next(&formats))
        if (formats.data->depth == screen->root_depth)
            thirtyTwoBits = formats.data->bits_per_pixel == 32;
    if (!thirtyTwoBits)
        return false;
    for (auto depths = xcb_screen_allowed_depths_iterator(screen); depths.rem; xcb_depth_next(&depths))
        for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem; xcb_visualtype_next(&visuals))
            if (visuals.data->visual_id == screen->root_visual)
                return visuals.data->red_mask == 0xff0000 && visuals.data->green_mask == 0xff00
                       && visuals.data->blue_mask == 0xff;
    return false;
}

xcb_screen_t *rootScreen(xcb_connection_t *connection)
{
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < QX11Info::appScreen() && screens.rem; ++i)
        xcb_screen_next(&screens);
    return screens.rem ? screens.data : nullptr;
}

// The server leaves the fourth byte of a 24-bit pixel as it likes (mostly 0); QImage's RGB32
// must have it 0xff, or the picture turns transparent wherever it is painted over something.
void makeOpaque(uchar *pixels, size_t count)
{
    auto *pixel = reinterpret_cast<quint32 *>(pixels);
    for (size_t i = 0; i < count; ++i)
        pixel[i] |= 0xff000000u;
}

// Detaches the segment from our address space once the last picture that uses it is gone.
void detachSegment(void *address)
{
    shmdt(address);
}

// The server copies the area into a fresh segment, which then becomes the picture's own memory:
// no copy on our side. The segment is marked for removal at once, so nothing is left behind
// however the program ends.
QImage grabThroughSharedMemory(xcb_connection_t *connection, xcb_window_t root, const QRect &area)
{
    const size_t size = size_t(area.width()) * size_t(area.height()) * bytesPerPixel;
    const int id = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
    if (id < 0)
        return {};
    void *address = shmat(id, nullptr, 0);
    if (address == reinterpret_cast<void *>(-1)) {
        shmctl(id, IPC_RMID, nullptr);
        return {};
    }
    const xcb_shm_seg_t segment = xcb_generate_id(connection);
    // Checked, with the error read here: a refusal is expected on a remote server and must not
    // reach the toolkit's error handler, which would print it.
    const xcb_void_cookie_t attach = xcb_shm_attach_checked(connection, segment, uint32_t(id), 0);
    xcb_generic_error_t *error = nullptr;
    Reply<xcb_shm_get_image_reply_t> reply(xcb_shm_get_image_reply(
        connection,
        xcb_shm_get_image(connection, root, int16_t(area.x()), int16_t(area.y()), uint16_t(area.width()),
                          uint16_t(area.height()), ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP, segment, 0),
        &error));
    std::free(error);
    xcb_generic_error_t *attachError = xcb_request_check(connection, attach);
    if (attachError)
        std::free(attachError);
    else
        xcb_shm_detach(connection, segment);
    xcb_flush(connection);
    // The server attached it before answering (or never will): either way it may go now.
    shmctl(id, IPC_RMID, nullptr);
    if (!reply || attachError) {
        shmdt(address);
        return {};
    }
    makeOpaque(static_cast<uchar *>(address), size / bytesPerPixel);
    return QImage(static_cast<uchar *>(address), area.width(), area.height(), area.width() * bytesPerPixel,
                  QImage::Format_RGB32, detachSegment, address);
}

// The same pixels over the socket.
QImage grabThroughSocket(xcb_connection_t *connection, xcb_window_t root, const QRect &area)
{
    xcb_generic_error_t *error = nullptr;
    Reply<xcb_get_image_reply_t> reply(xcb_get_image_reply(
        connection,
        xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, root, int16_t(area.x()), int16_t(area.y()),
                      uint16_t(area.width()), uint16_t(area.height()), ~0u),
        &error));
    std::free(error);
    const int rowBytes = area.width() * bytesPerPixel;
    if (!reply || xcb_get_image_data_length(reply.get()) < rowBytes * area.height())
        return {};
    QImage picture(area.size(), QImage::Format_RGB32);
    const uint8_t *data = xcb_get_image_data(reply.get());
    for (int y = 0; y < area.height(); ++y) {
        std::memcpy(picture.scanLine(y), data + size_t(y) * size_t(rowBytes), size_t(rowBytes));
        makeOpaque(picture.scanLine(y), size_t(area.width()));
    }
    return picture;
}

} // namespace

void X11DesktopGrabber::grab(QObject *context, Done done)
{
    Q_UNUSED(context)
    const QRect area = desktopDeviceArea();
    QImage image = area.isEmpty() ? QImage() : grabRoot(area);
    if (image.isNull()) {
        // An unusual server (another depth, another byte order): the toolkit knows them all.
        done(QtDesktopGrabber::grabNow());
        return;
    }
    blackenUncovered(image, area);
    DesktopPicture picture;
    picture.image = image;
    picture.screens = screenPartsWithin(area);
    done(picture);
}

QImage X11DesktopGrabber::grabRoot(const QRect &wanted)
{
    usedSharedMemory = false;
    xcb_connection_t *connection = QX11Info::connection();
    xcb_screen_t *screen = connection ? rootScreen(connection) : nullptr;
    if (!screen || !rootIsRgb32(connection, screen))
        return {};
    const QRect area = wanted & QRect(0, 0, screen->width_in_pixels, screen->height_in_pixels);
    if (area != wanted)
        return {};
    if (!sharedMemoryRefused) {
        const xcb_query_extension_reply_t *shm = xcb_get_extension_data(connection, &xcb_shm_id);
        if (shm && shm->present) {
            QImage image = grabThroughSharedMemory(connection, screen->root, area);
            if (!image.isNull()) {
                usedSharedMemory = true;
                return image;
            }
            // Refused (typically a server on another machine, which cannot reach our memory):
            // the socket from now on.
            sharedMemoryRefused = true;
        }
    }
    return grabThroughSocket(connection, screen->root, area);
}
