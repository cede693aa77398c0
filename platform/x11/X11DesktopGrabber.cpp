#include "X11DesktopGrabber.h"

#include "platform/QtDesktopGrabber.h"
#include "platform/x11/SharedImagePool.h"

#include <QX11Info>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace {

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

// The pixels over the socket, made opaque as QImage's RGB32 requires (the server leaves the
// fourth byte of a 24-bit pixel as it likes).
QImage grabThroughSocket(xcb_connection_t *connection, xcb_window_t root, const QRect &area)
{
    xcb_generic_error_t *error = nullptr;
    xcb_get_image_reply_t *reply = xcb_get_image_reply(
        connection,
        xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, root, int16_t(area.x()), int16_t(area.y()),
                      uint16_t(area.width()), uint16_t(area.height()), ~0u),
        &error);
    std::free(error);
    const int rowBytes = area.width() * bytesPerPixel;
    QImage picture;
    if (reply && xcb_get_image_data_length(reply) >= rowBytes * area.height()) {
        picture = QImage(area.size(), QImage::Format_RGB32);
        const uint8_t *data = xcb_get_image_data(reply);
        for (int y = 0; y < area.height(); ++y) {
            auto *line = reinterpret_cast<quint32 *>(picture.scanLine(y));
            std::memcpy(line, data + size_t(y) * size_t(rowBytes), size_t(rowBytes));
            for (int x = 0; x < area.width(); ++x)
                line[x] |= 0xff000000u;
        }
    }
    std::free(reply);
    return picture;
}

} // namespace

X11DesktopGrabber::X11DesktopGrabber()
{
    if (xcb_connection_t *connection = QX11Info::connection()) {
        sharedMemory = std::make_unique<SharedImagePool>(connection);
        if (!sharedMemory->available())
            sharedMemory.reset();
    }
    // The picture just taken holds its memory (on the clipboard, say), so the next grab needs
    // other memory: made ready soon after this one, not when the next key is pressed. Not at
    // once: the picture before this one is let go only when this one has been handed on, and
    // its memory then serves, where a third segment would stay for good.
    spareAfterGrab.setSingleShot(true);
    spareAfterGrab.setInterval(spareDelayMs);
    QObject::connect(&spareAfterGrab, &QTimer::timeout, [this] {
        xcb_screen_t *screen = QX11Info::connection() ? rootScreen(QX11Info::connection()) : nullptr;
        if (sharedMemory && screen)
            sharedMemory->prepareSpare(screen->root, desktopDeviceArea());
    });
}

X11DesktopGrabber::~X11DesktopGrabber() = default;

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
    if (!screen || !rootIsRgb32(connection, screen)
        || !QRect(0, 0, screen->width_in_pixels, screen->height_in_pixels).contains(wanted))
        return {};
    if (sharedMemory) {
        QImage image = sharedMemory->grab(screen->root, wanted);
        if (!image.isNull()) {
            usedSharedMemory = true;
            spareAfterGrab.start();
            return image;
        }
        // Refused (typically a server on another machine, which cannot reach our memory): the
        // socket from now on.
        sharedMemory.reset();
    }
    return grabThroughSocket(connection, screen->root, wanted);
}
