#include "FocusedSelection.h"

#include "platform/WindowSystem.h"
#include "xdg-shell-client-protocol.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstring>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

struct FocusedSelection::Offer
{
    wl_data_source *source = nullptr;
    QByteArray mimeType;
    std::function<QByteArray()> bytes;
    std::function<void()> dropped;
    std::function<void(const QString &)> refused;
    bool set = false;
};

namespace {

// One transparent pixel in shared memory: all the window ever shows.
wl_buffer *transparentPixel(wl_shm *shm)
{
    constexpr int bytes = 4;
    const int fd = ::memfd_create("tavo-focus", MFD_CLOEXEC);
    if (fd < 0)
        return nullptr;
    wl_buffer *buffer = nullptr;
    if (::ftruncate(fd, bytes) == 0) {
        wl_shm_pool *pool = wl_shm_create_pool(shm, fd, bytes);
        buffer = wl_shm_pool_create_buffer(pool, 0, 1, 1, bytes, WL_SHM_FORMAT_ARGB8888);
        wl_shm_pool_destroy(pool);
    }
    ::close(fd);
    return buffer;
}

void pong(void *, xdg_wm_base *shell, uint32_t serial)
{
    xdg_wm_base_pong(shell, serial);
}

// What the clipboard of others brings: offers we never read.
void takeDataOffer(void *, wl_data_device *, wl_data_offer *)
{
}

void dropOffer(void *, wl_data_device *, wl_data_offer *offer)
{
    if (offer)
        wl_data_offer_destroy(offer);
}

void dropDragEnter(void *, wl_data_device *, uint32_t, wl_surface *, wl_fixed_t, wl_fixed_t, wl_data_offer *offer)
{
    dropOffer(nullptr, nullptr, offer);
}

} // namespace

FocusedSelection *FocusedSelection::instance()
{
    static FocusedSelection *selection = [] {
        if (!runsOnWayland())
            return static_cast<FocusedSelection *>(nullptr);
        auto *made = new FocusedSelection;
        if (!made->connectToCompositor()) {
            delete made;
            return static_cast<FocusedSelection *>(nullptr);
        }
        made->setParent(QCoreApplication::instance());
        return made;
    }();
    return selection;
}

FocusedSelection::~FocusedSelection()
{
    hideFocusWindow();
    if (current && current->source)
        wl_data_source_destroy(current->source);
    if (device)
        wl_data_device_destroy(device);
    if (keyboard)
        wl_keyboard_destroy(keyboard);
    for (auto *proxy : {reinterpret_cast<wl_proxy *>(manager), reinterpret_cast<wl_proxy *>(shell),
                        reinterpret_cast<wl_proxy *>(seat), reinterpret_cast<wl_proxy *>(shm),
                        reinterpret_cast<wl_proxy *>(compositor), reinterpret_cast<wl_proxy *>(registry)})
        if (proxy)
            wl_proxy_destroy(proxy);
}

bool FocusedSelection::connectToCompositor()
{
    if (!wayland.open())
        return false;
    static const wl_registry_listener listener{&FocusedSelection::takeGlobal, [](void *, wl_registry *, uint32_t) {}};
    registry = wl_display_get_registry(wayland.display());
    wl_registry_add_listener(registry, &listener, this);
    if (!wayland.roundtrip() || !compositor || !shm || !seat || !shell || !manager)
        return false;
    static const xdg_wm_base_listener shellListener{&pong};
    xdg_wm_base_add_listener(shell, &shellListener, this);
    static const wl_data_device_listener deviceListener{&takeDataOffer, &dropDragEnter,
                                                        [](void *, wl_data_device *) {},
                                                        [](void *, wl_data_device *, uint32_t, wl_fixed_t, wl_fixed_t) {},
                                                        [](void *, wl_data_device *) {}, &dropOffer};
    device = wl_data_device_manager_get_data_device(manager, seat);
    wl_data_device_add_listener(device, &deviceListener, this);
    // The seat's capabilities, and with them its keyboard.
    if (!wayland.roundtrip())
        return false;
    wayland.watch();
    patience = new QTimer(this);
    patience->setSingleShot(true);
    patience->setInterval(focusPatienceMs);
    connect(patience, &QTimer::timeout, this, &FocusedSelection::giveUp);
    return true;
}

void FocusedSelection::takeGlobal(void *data, wl_registry *registry, uint32_t name, const char *interface,
                                  uint32_t)
{
    auto *self = static_cast<FocusedSelection *>(data);
    auto bind = [registry, name](const wl_interface *wanted) { return wl_registry_bind(registry, name, wanted, 1); };
    if (!self->compositor && std::strcmp(interface, wl_compositor_interface.name) == 0)
        self->compositor = static_cast<wl_compositor *>(bind(&wl_compositor_interface));
    else if (!self->shm && std::strcmp(interface, wl_shm_interface.name) == 0)
        self->shm = static_cast<wl_shm *>(bind(&wl_shm_interface));
    else if (!self->shell && std::strcmp(interface, xdg_wm_base_interface.name) == 0)
        self->shell = static_cast<xdg_wm_base *>(bind(&xdg_wm_base_interface));
    else if (!self->manager && std::strcmp(interface, wl_data_device_manager_interface.name) == 0)
        self->manager = static_cast<wl_data_device_manager *>(bind(&wl_data_device_manager_interface));
    else if (!self->seat && std::strcmp(interface, wl_seat_interface.name) == 0) {
        self->seat = static_cast<wl_seat *>(bind(&wl_seat_interface));
        static const wl_seat_listener seatListener{&FocusedSelection::takeCapabilities, nullptr};
        wl_seat_add_listener(self->seat, &seatListener, self);
    }
}

void FocusedSelection::takeCapabilities(void *data, wl_seat *seat, uint32_t capabilities)
{
    auto *self = static_cast<FocusedSelection *>(data);
    const bool hasKeyboard = capabilities & WL_SEAT_CAPABILITY_KEYBOARD;
    if (hasKeyboard && !self->keyboard) {
        static const wl_keyboard_listener listener{
            [](void *, wl_keyboard *, uint32_t, int32_t fd, uint32_t) { ::close(fd); },
            &FocusedSelection::takeEnter,
            [](void *, wl_keyboard *, uint32_t, wl_surface *) {},
            [](void *, wl_keyboard *, uint32_t, uint32_t, uint32_t, uint32_t) {},
            [](void *, wl_keyboard *, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {},
            [](void *, wl_keyboard *, int32_t, int32_t) {}};
        self->keyboard = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(self->keyboard, &listener, self);
    } else if (!hasKeyboard && self->keyboard) {
        wl_keyboard_destroy(self->keyboard);
        self->keyboard = nullptr;
    }
}

bool FocusedSelection::offer(const QString &mimeType, std::function<QByteArray()> bytes, std::function<void()> dropped,
                             std::function<void(const QString &why)> refused)
{
    dropCurrent();
    if (wayland.isBroken())
        return false;
    static const wl_data_source_listener listener{
        [](void *, wl_data_source *, const char *) {}, &FocusedSelection::takeSend, &FocusedSelection::takeCancelled,
        [](void *, wl_data_source *) {}, [](void *, wl_data_source *) {}, [](void *, wl_data_source *, uint32_t) {}};
    current = std::make_unique<Offer>();
    current->mimeType = mimeType.toUtf8();
    current->bytes = std::move(bytes);
    current->dropped = std::move(dropped);
    current->refused = std::move(refused);
    current->source = wl_data_device_manager_create_data_source(manager);
    wl_data_source_add_listener(current->source, &listener, this);
    wl_data_source_offer(current->source, current->mimeType.constData());
    showFocusWindow();
    patience->start();
    wayland.flush();
    return true;
}

void FocusedSelection::showFocusWindow()
{
    if (surface)
        return;
    static const xdg_surface_listener listener{&FocusedSelection::takeConfigure};
    static const xdg_toplevel_listener toplevelListener{
        [](void *, xdg_toplevel *, int32_t, int32_t, wl_array *) {}, [](void *, xdg_toplevel *) {},
        [](void *, xdg_toplevel *, int32_t, int32_t) {}, [](void *, xdg_toplevel *, wl_array *) {}};
    surface = wl_compositor_create_surface(compositor);
    shellSurface = xdg_wm_base_get_xdg_surface(shell, surface);
    xdg_surface_add_listener(shellSurface, &listener, this);
    toplevel = xdg_surface_get_toplevel(shellSurface);
    xdg_toplevel_add_listener(toplevel, &toplevelListener, this);
    xdg_toplevel_set_title(toplevel, "TAVO截图");
    xdg_toplevel_set_app_id(toplevel, "tavo-screenshot");
    // The first commit asks for the first configure; the pixel follows its acknowledgement.
    wl_surface_commit(surface);
}

void FocusedSelection::takeConfigure(void *data, xdg_surface *shellSurface, uint32_t serial)
{
    auto *self = static_cast<FocusedSelection *>(data);
    xdg_surface_ack_configure(shellSurface, serial);
    if (!self->pixel)
        self->pixel = transparentPixel(self->shm);
    wl_surface_attach(self->surface, self->pixel, 0, 0);
    wl_surface_commit(self->surface);
}

void FocusedSelection::takeEnter(void *data, wl_keyboard *, uint32_t serial, wl_surface *surface, wl_array *)
{
    static_cast<FocusedSelection *>(data)->takeFocus(serial, surface);
}

void FocusedSelection::takeFocus(uint32_t serial, wl_surface *focused)
{
    if (!current || current->set || !focused || focused != surface)
        return;
    wl_data_device_set_selection(device, current->source, serial);
    current->set = true;
    // Nothing to report any more: what the report holds (the picture) can go.
    current->refused = nullptr;
    patience->stop();
    hideFocusWindow();
}

void FocusedSelection::hideFocusWindow()
{
    if (toplevel)
        xdg_toplevel_destroy(toplevel);
    if (shellSurface)
        xdg_surface_destroy(shellSurface);
    if (surface)
        wl_surface_destroy(surface);
    toplevel = nullptr;
    shellSurface = nullptr;
    surface = nullptr;
}

void FocusedSelection::giveUp()
{
    // The compositor gave no focus: the picture does not reach the clipboard, and whoever offered
    // it must hear so (it has told the user nothing yet, or only that a picture was taken).
    hideFocusWindow();
    std::function<void(const QString &)> refused;
    if (current && !current->set) {
        refused = std::move(current->refused);
        dropCurrent();
    }
    wayland.flush();
    if (refused)
        refused(QStringLiteral("桌面在 %1 秒内没有把键盘焦点交给本程序，剪贴板保持原样").arg(focusPatienceMs / 1000));
}

void FocusedSelection::dropCurrent()
{
    if (!current)
        return;
    const std::unique_ptr<Offer> gone = std::move(current);
    wl_data_source_destroy(gone->source);
    if (gone->dropped)
        gone->dropped();
}

void FocusedSelection::takeSend(void *data, wl_data_source *source, const char *mimeType, int32_t fd)
{
    auto *self = static_cast<FocusedSelection *>(data);
    const Offer *offer = self->current.get();
    if (!offer || offer->source != source || offer->mimeType != mimeType) {
        ::close(fd);
        return;
    }
    writePasteLater(fd, offer->bytes, defaultPasteDeadlineMs);
}

void FocusedSelection::takeCancelled(void *data, wl_data_source *source)
{
    auto *self = static_cast<FocusedSelection *>(data);
    if (self->current && self->current->source == source)
        self->dropCurrent();
}
