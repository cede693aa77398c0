#pragma once

#include "platform/wayland/PasteWriter.h"
#include "platform/wayland/WaylandConnection.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

struct wl_buffer;
struct wl_compositor;
struct wl_data_device;
struct wl_data_device_manager;
struct wl_data_source;
struct wl_keyboard;
struct wl_registry;
struct wl_seat;
struct wl_shm;
struct wl_surface;
struct xdg_surface;
struct xdg_toplevel;
struct xdg_wm_base;
class QTimer;

// The Wayland clipboard where the compositor has no data control and takes the clipboard only
// from the client that has the keyboard focus, with a serial newer than the clipboard's
// (GNOME's mutter). A capture started by a desktop key binding has neither: the panel is hidden
// and another program has the focus. On a connection of its own, a window of one transparent
// pixel takes the focus, the clipboard is set with the serial of that focus, and the window
// goes at once; the compositor gives the focus back. The offer then lives on like any other.
class FocusedSelection : public QObject
{
public:
    // How long the window waits for the focus before the offer is given up.
    static constexpr int focusPatienceMs = 2000;

    // The process's one connection; null where the program does not run on Wayland or the
    // compositor lacks what this needs (a seat, the core clipboard, xdg-shell).
    static FocusedSelection *instance();
    ~FocusedSelection() override;

    // As DataControlSelection::offer(): `bytes` is called for each paste on a paste writer,
    // `dropped` once the offer has left the clipboard or could not reach it. When the compositor
    // gives the window no focus within focusPatienceMs (focus-stealing prevention, a full-screen
    // program), the offer never reaches the clipboard: `refused` follows `dropped` then, with
    // the reason in the interface's language. False when nothing can be offered (the compositor
    // has gone).
    bool offer(const QString &mimeType, std::function<QByteArray()> bytes, std::function<void()> dropped,
               std::function<void(const QString &why)> refused = {});

    struct Offer;

private:
    FocusedSelection() = default;
    bool connectToCompositor();
    void showFocusWindow();
    void hideFocusWindow();
    void takeFocus(uint32_t serial, wl_surface *surface);
    void giveUp();
    void dropCurrent();

    static void takeGlobal(void *data, wl_registry *registry, uint32_t name, const char *interface,
                           uint32_t version);
    static void takeCapabilities(void *data, wl_seat *seat, uint32_t capabilities);
    static void takeEnter(void *data, wl_keyboard *keyboard, uint32_t serial, wl_surface *surface, struct wl_array *);
    static void takeConfigure(void *data, xdg_surface *surface, uint32_t serial);
    static void takeSend(void *data, wl_data_source *source, const char *mimeType, int32_t fd);
    static void takeCancelled(void *data, wl_data_source *source);

    WaylandConnection wayland;
    wl_registry *registry = nullptr;
    wl_compositor *compositor = nullptr;
    wl_shm *shm = nullptr;
    wl_seat *seat = nullptr;
    wl_keyboard *keyboard = nullptr;
    xdg_wm_base *shell = nullptr;
    wl_data_device_manager *manager = nullptr;
    wl_data_device *device = nullptr;
    wl_surface *surface = nullptr;
    xdg_surface *shellSurface = nullptr;
    xdg_toplevel *toplevel = nullptr;
    wl_buffer *pixel = nullptr;
    QTimer *patience = nullptr;
    std::unique_ptr<Offer> current;
};
