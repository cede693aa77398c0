#pragma once

#include "platform/DesktopGrabber.h"
#include "platform/wayland/WaylandConnection.h"

#include <QVector>

#include <list>
#include <memory>

struct wl_output;
struct wl_registry;
struct wl_shm;
struct zwlr_screencopy_frame_v1;
struct zwlr_screencopy_manager_v1;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;

// The desktop straight from a wlroots compositor (sway, Hyprland, …): each output copied into
// shared memory through the screencopy protocol, on a connection of its own, and laid out as
// one picture. No other process is involved, and no picture file is written and read back.
// Where the compositor cannot copy an output (or does not answer in time) the fallback takes
// the picture instead.
class ScreencopyDesktopGrabber : public DesktopGrabber
{
public:
    static constexpr int defaultTimeoutMs = 3000;

    // Connected to the compositor of this session; null where it offers no screencopy.
    static std::unique_ptr<ScreencopyDesktopGrabber> connect(std::shared_ptr<DesktopGrabber> fallback,
                                                            int timeoutMs = defaultTimeoutMs);
    ~ScreencopyDesktopGrabber() override;

    void grab(QObject *context, Done done) override;

    // Defined where they are used; named here for the protocol's listeners.
    struct Output;
    struct Frame;
    struct Capture;

private:
    ScreencopyDesktopGrabber(std::shared_ptr<DesktopGrabber> fallback, int timeoutMs);
    bool connectToCompositor();
    void addOutput(uint32_t name, uint32_t version);
    void describeOutput(Output &output);
    void copyInto(Frame &frame);
    void frameEnded(Capture *capture);
    void finish(Capture *capture, const QString &why);
    void deliver(Capture *capture, const DesktopPicture &picture);
    void forget(Capture *capture);

    static void takeGlobal(void *data, wl_registry *registry, uint32_t name, const char *interface,
                           uint32_t version);
    static void forgetGlobal(void *data, wl_registry *registry, uint32_t name);
    static void takeBuffer(void *data, zwlr_screencopy_frame_v1 *frame, uint32_t format, uint32_t width,
                           uint32_t height, uint32_t stride);
    static void takeBuffersDone(void *data, zwlr_screencopy_frame_v1 *frame);
    static void takeReady(void *data, zwlr_screencopy_frame_v1 *frame, uint32_t, uint32_t, uint32_t);
    static void takeFailed(void *data, zwlr_screencopy_frame_v1 *frame);

    std::shared_ptr<DesktopGrabber> fallback;
    int timeoutMs;
    WaylandConnection wayland;
    wl_registry *registry = nullptr;
    wl_shm *shm = nullptr;
    zwlr_screencopy_manager_v1 *manager = nullptr;
    zxdg_output_manager_v1 *xdgOutputs = nullptr;
    std::list<std::unique_ptr<Output>> outputs;
    std::list<std::unique_ptr<Capture>> captures;
};
