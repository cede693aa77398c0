#include "ScreencopyDesktopGrabber.h"

#include "platform/GrabAnswer.h"
#include "platform/wayland/OutputPictures.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"

#include <algorithm>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

struct ScreencopyDesktopGrabber::Output
{
    uint32_t name = 0;
    wl_output *output = nullptr;
    zxdg_output_v1 *xdgOutput = nullptr;
    int transform = WL_OUTPUT_TRANSFORM_NORMAL;
    QRect logical;

    ~Output()
    {
        if (xdgOutput)
            zxdg_output_v1_destroy(xdgOutput);
        wl_output_destroy(output);
    }
};

struct ScreencopyDesktopGrabber::Frame
{
    ScreencopyDesktopGrabber *grabber = nullptr;
    Capture *capture = nullptr;
    Output *output = nullptr;
    zwlr_screencopy_frame_v1 *frame = nullptr;
    wl_buffer *buffer = nullptr;
    void *pixels = MAP_FAILED;
    size_t bytes = 0;
    uint32_t format = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t stride = 0;
    bool offered = false; // a shared-memory format we read was offered
    bool yInverted = false;
    bool ready = false;

    ~Frame()
    {
        if (frame)
            zwlr_screencopy_frame_v1_destroy(frame);
        if (buffer)
            wl_buffer_destroy(buffer);
        if (pixels != MAP_FAILED)
            ::munmap(pixels, bytes);
    }

    QImage image() const
    {
        return QImage(static_cast<const uchar *>(pixels), int(width), int(height), int(stride),
                      imageFormatForShm(format));
    }
};

struct ScreencopyDesktopGrabber::Capture
{
    Capture(QObject *context, Done done)
        : answer(context, std::move(done))
    {
    }

    // Its time limit goes with the capture.
    GrabAnswer answer;
    std::vector<std::unique_ptr<Frame>> frames;
};

namespace {

using Output = ScreencopyDesktopGrabber::Output;
using Frame = ScreencopyDesktopGrabber::Frame;

DesktopPicture failedPicture(const QString &detail)
{
    return DesktopPicture::failed(QStringLiteral("合成器没有交出屏幕画面"), detail);
}

// Shared memory for the compositor to copy one output into.
bool makeBuffer(wl_shm *shm, Frame &frame)
{
    frame.bytes = size_t(frame.stride) * frame.height;
    const int fd = ::memfd_create("tavo-screencopy", MFD_CLOEXEC);
    if (fd < 0)
        return false;
    if (::ftruncate(fd, off_t(frame.bytes)) == 0)
        frame.pixels = ::mmap(nullptr, frame.bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (frame.pixels != MAP_FAILED) {
        wl_shm_pool *pool = wl_shm_create_pool(shm, fd, int32_t(frame.bytes));
        frame.buffer = wl_shm_pool_create_buffer(pool, 0, int32_t(frame.width), int32_t(frame.height),
                                                 int32_t(frame.stride), frame.format);
        wl_shm_pool_destroy(pool);
    }
    ::close(fd);
    return frame.buffer != nullptr;
}

void takeOutputGeometry(void *data, wl_output *, int32_t, int32_t, int32_t, int32_t, int32_t, const char *,
                        const char *, int32_t transform)
{
    static_cast<Output *>(data)->transform = transform;
}

void takeLogicalPosition(void *data, zxdg_output_v1 *, int32_t x, int32_t y)
{
    static_cast<Output *>(data)->logical.moveTopLeft(QPoint(x, y));
}

void takeLogicalSize(void *data, zxdg_output_v1 *, int32_t width, int32_t height)
{
    static_cast<Output *>(data)->logical.setSize(QSize(width, height));
}

void takeFlags(void *data, zwlr_screencopy_frame_v1 *, uint32_t flags)
{
    static_cast<Frame *>(data)->yInverted = flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT;
}

} // namespace

std::unique_ptr<ScreencopyDesktopGrabber> ScreencopyDesktopGrabber::connect(std::shared_ptr<DesktopGrabber> fallback,
                                                                           int timeoutMs)
{
    std::unique_ptr<ScreencopyDesktopGrabber> grabber(new ScreencopyDesktopGrabber(std::move(fallback), timeoutMs));
    if (!grabber->connectToCompositor())
        return nullptr;
    return grabber;
}

ScreencopyDesktopGrabber::ScreencopyDesktopGrabber(std::shared_ptr<DesktopGrabber> fallback, int timeoutMs)
    : fallback(std::move(fallback))
    , timeoutMs(timeoutMs)
{
}

ScreencopyDesktopGrabber::~ScreencopyDesktopGrabber()
{
    // Captures still under way end here without an answer: their owner is going.
    captures.clear();
    outputs.clear();
    if (manager)
        zwlr_screencopy_manager_v1_destroy(manager);
    if (xdgOutputs)
        zxdg_output_manager_v1_destroy(xdgOutputs);
    if (shm)
        wl_shm_destroy(shm);
    if (registry)
        wl_registry_destroy(registry);
}

bool ScreencopyDesktopGrabber::connectToCompositor()
{
    if (!wayland.open())
        return false;
    static const wl_registry_listener listener{&ScreencopyDesktopGrabber::takeGlobal,
                                               &ScreencopyDesktopGrabber::forgetGlobal};
    registry = wl_display_get_registry(wayland.display());
    wl_registry_add_listener(registry, &listener, this);
    // The globals, then what each output says of itself.
    if (!wayland.roundtrip() || !manager || !shm || outputs.empty())
        return false;
    if (!wayland.roundtrip())
        return false;
    // Should the compositor go away, captures under way end by their time limit.
    wayland.watch();
    return true;
}

void ScreencopyDesktopGrabber::takeGlobal(void *data, wl_registry *registry, uint32_t name, const char *interface,
                                          uint32_t version)
{
    auto *self = static_cast<ScreencopyDesktopGrabber *>(data);
    if (std::strcmp(interface, wl_output_interface.name) == 0) {
        self->addOutput(name, version);
    } else if (!self->shm && std::strcmp(interface, wl_shm_interface.name) == 0) {
        self->shm = static_cast<wl_shm *>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
    } else if (!self->manager && std::strcmp(interface, zwlr_screencopy_manager_v1_interface.name) == 0) {
        self->manager = static_cast<zwlr_screencopy_manager_v1 *>(
            wl_registry_bind(registry, name, &zwlr_screencopy_manager_v1_interface, std::min(version, 3u)));
    } else if (!self->xdgOutputs && std::strcmp(interface, zxdg_output_manager_v1_interface.name) == 0) {
        self->xdgOutputs = static_cast<zxdg_output_manager_v1 *>(
            wl_registry_bind(registry, name, &zxdg_output_manager_v1_interface, std::min(version, 3u)));
        for (const auto &output : self->outputs)
            self->describeOutput(*output);
    }
}

void ScreencopyDesktopGrabber::forgetGlobal(void *data, wl_registry *, uint32_t name)
{
    auto *self = static_cast<ScreencopyDesktopGrabber *>(data);
    // A capture that waits for an output that went away ends by its time limit, or its failure.
    for (const auto &capture : self->captures)
        for (const auto &frame : capture->frames)
            if (frame->output && frame->output->name == name)
                frame->output = nullptr;
    self->outputs.remove_if([name](const std::unique_ptr<Output> &output) { return output->name == name; });
}

void ScreencopyDesktopGrabber::addOutput(uint32_t name, uint32_t version)
{
    static const wl_output_listener listener{&takeOutputGeometry,
                                             [](void *, wl_output *, uint32_t, int32_t, int32_t, int32_t) {},
                                             [](void *, wl_output *) {},
                                             [](void *, wl_output *, int32_t) {},
                                             [](void *, wl_output *, const char *) {},
                                             [](void *, wl_output *, const char *) {}};
    auto output = std::make_unique<Output>();
    output->name = name;
    output->output = static_cast<wl_output *>(wl_registry_bind(registry, name, &wl_output_interface, std::min(version, 4u)));
    wl_output_add_listener(output->output, &listener, output.get());
    outputs.push_back(std::move(output));
    if (xdgOutputs)
        describeOutput(*outputs.back());
}

void ScreencopyDesktopGrabber::describeOutput(Output &output)
{
    static const zxdg_output_v1_listener listener{&takeLogicalPosition, &takeLogicalSize,
                                                  [](void *, zxdg_output_v1 *) {},
                                                  [](void *, zxdg_output_v1 *, const char *) {},
                                                  [](void *, zxdg_output_v1 *, const char *) {}};
    if (output.xdgOutput)
        return;
    output.xdgOutput = zxdg_output_manager_v1_get_xdg_output(xdgOutputs, output.output);
    zxdg_output_v1_add_listener(output.xdgOutput, &listener, &output);
}

void ScreencopyDesktopGrabber::grab(QObject *context, Done done)
{
    static const zwlr_screencopy_frame_v1_listener listener{
        &ScreencopyDesktopGrabber::takeBuffer, &takeFlags, &ScreencopyDesktopGrabber::takeReady,
        &ScreencopyDesktopGrabber::takeFailed, [](void *, zwlr_screencopy_frame_v1 *, uint32_t, uint32_t, uint32_t, uint32_t) {},
        [](void *, zwlr_screencopy_frame_v1 *, uint32_t, uint32_t, uint32_t) {}, &ScreencopyDesktopGrabber::takeBuffersDone};
    captures.push_back(std::make_unique<Capture>(context, std::move(done)));
    Capture *capture = captures.back().get();
    for (const auto &output : outputs) {
        auto frame = std::make_unique<Frame>();
        frame->grabber = this;
        frame->capture = capture;
        frame->output = output.get();
        // Without the pointer: the picture shows the desktop, not where the mouse happens to be.
        frame->frame = zwlr_screencopy_manager_v1_capture_output(manager, 0, output->output);
        zwlr_screencopy_frame_v1_add_listener(frame->frame, &listener, frame.get());
        capture->frames.push_back(std::move(frame));
    }
    capture->answer.expireAfter(timeoutMs, [this, capture] {
        finish(capture, QStringLiteral("the compositor copied no output within %1 s").arg(timeoutMs / 1000.0));
    });
    if (capture->frames.empty())
        finish(capture, QStringLiteral("the compositor shows no output"));
    else
        wayland.flush();
}

void ScreencopyDesktopGrabber::takeBuffer(void *data, zwlr_screencopy_frame_v1 *proxy, uint32_t format,
                                          uint32_t width, uint32_t height, uint32_t stride)
{
    auto *frame = static_cast<Frame *>(data);
    if (frame->offered || imageFormatForShm(format) == QImage::Format_Invalid || width == 0 || height == 0)
        return;
    frame->offered = true;
    frame->format = format;
    frame->width = width;
    frame->height = height;
    frame->stride = stride;
    // Before version 3 no event says that every buffer type has been offered: this one is all.
    if (zwlr_screencopy_frame_v1_get_version(proxy) < 3)
        frame->grabber->copyInto(*frame);
}

void ScreencopyDesktopGrabber::takeBuffersDone(void *data, zwlr_screencopy_frame_v1 *)
{
    auto *frame = static_cast<Frame *>(data);
    frame->grabber->copyInto(*frame);
}

void ScreencopyDesktopGrabber::copyInto(Frame &frame)
{
    if (frame.buffer)
        return;
    if (!frame.offered) {
        finish(frame.capture, QStringLiteral("the compositor offers no shared-memory format to copy an output into"));
        return;
    }
    if (!makeBuffer(shm, frame)) {
        finish(frame.capture, QStringLiteral("no shared memory for a copy of %1x%2 pixels: %3")
                                  .arg(frame.width)
                                  .arg(frame.height)
                                  .arg(QString::fromLocal8Bit(std::strerror(errno))));
        return;
    }
    zwlr_screencopy_frame_v1_copy(frame.frame, frame.buffer);
    wayland.flush();
}

void ScreencopyDesktopGrabber::takeReady(void *data, zwlr_screencopy_frame_v1 *, uint32_t, uint32_t, uint32_t)
{
    auto *frame = static_cast<Frame *>(data);
    frame->ready = true;
    frame->grabber->frameEnded(frame->capture);
}

void ScreencopyDesktopGrabber::takeFailed(void *data, zwlr_screencopy_frame_v1 *)
{
    auto *frame = static_cast<Frame *>(data);
    frame->grabber->finish(frame->capture, QStringLiteral("the compositor could not copy an output"));
}

void ScreencopyDesktopGrabber::frameEnded(Capture *capture)
{
    QVector<OutputPicture> pictures;
    for (const auto &frame : capture->frames) {
        if (!frame->ready)
            return;
        if (!frame->output) {
            finish(capture, QStringLiteral("an output went away while it was copied"));
            return;
        }
        pictures << OutputPicture{frame->image(), frame->output->transform, frame->yInverted, frame->output->logical};
    }
    // Every output without a logical place (no xdg-output) lies at the origin at its own size.
    for (OutputPicture &picture : pictures)
        if (picture.logical.isEmpty())
            picture.logical = QRect(QPoint(0, 0), upright(picture).size());
    DesktopPicture desktop;
    desktop.image = layoutPicture(pictures);
    desktop.image.detach(); // it may still be the shared memory, which goes with the capture
    if (desktop.image.isNull()) {
        finish(capture, QStringLiteral("the outputs' pictures do not fit their layout"));
        return;
    }
    desktop.screens = screenPartsScaledTo(desktop.image.size());
    deliver(capture, desktop);
}

void ScreencopyDesktopGrabber::finish(Capture *capture, const QString &why)
{
    capture->answer.handOver(fallback, failedPicture(why));
    forget(capture);
}

void ScreencopyDesktopGrabber::deliver(Capture *capture, const DesktopPicture &picture)
{
    // The answer comes from the event loop, not from inside the protocol's dispatch, which the
    // answer may end by dropping this grabber.
    capture->answer.answer(picture);
    forget(capture);
}

void ScreencopyDesktopGrabber::forget(Capture *capture)
{
    captures.remove_if([capture](const std::unique_ptr<Capture> &held) { return held.get() == capture; });
}
