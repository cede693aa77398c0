#pragma once

#include "platform/wayland/PasteWriter.h"
#include "platform/wayland/WaylandConnection.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

struct ClipboardContent;
struct wl_callback;
struct wl_registry;
struct wl_seat;
struct zwlr_data_control_device_v1;
struct zwlr_data_control_manager_v1;
struct zwlr_data_control_offer_v1;
struct zwlr_data_control_source_v1;

// The Wayland clipboard through the compositor's data-control protocol (sway and the other
// wlroots compositors, KWin), on a connection of its own. The toolkit's clipboard sets the
// selection with the serial of the last key or click the program received, which a compositor
// refuses when there was none (a capture started by a key bound in the compositor, while another
// program has the focus) or when someone copied since; data control needs neither. For the same
// reason the clipboard is read through it: the toolkit sees the clipboard only while a window of
// the program has the keyboard focus.
class DataControlSelection : public QObject
{
public:
    using Bytes = std::function<QByteArray()>;

    // The process's one connection; null where the compositor offers no data control (GNOME) or
    // the program does not run on Wayland.
    static DataControlSelection *instance();
    ~DataControlSelection() override;

    // Makes `mimeType` the clipboard's content. Each paste calls `bytes` on a worker thread of
    // its own pool (it may wait there for an encoding to finish) and writes its result to the
    // reader, within the paste deadline. `dropped` is called on this thread once another offer,
    // the program's or anyone's, takes its place. False, with nothing offered, once the
    // compositor has withdrawn the seat's clipboard or gone away.
    bool offer(const QString &mimeType, Bytes bytes, std::function<void()> dropped);

    void setPasteDeadline(int milliseconds);

    // Reads the clipboard's picture, in the best picture type it is offered in, as it is once
    // the compositor has answered everything asked before: the bytes come through a pipe read
    // off this thread within `deadlineMs`. `done` runs on this thread while `context` lives;
    // with nothing when no picture type is offered.
    void readPicture(QObject *context, int deadlineMs, std::function<void(const ClipboardContent &)> done);

private:
    struct Offer;
    struct Sync;

    DataControlSelection() = default;
    bool connectToCompositor();
    void dropCurrent();
    void afterSync(std::function<void()> then);
    void receivePicture(QObject *context, int deadlineMs, const std::function<void(const ClipboardContent &)> &done);
    void forgetOffer(zwlr_data_control_offer_v1 *offer);

    static void takeGlobal(void *data, wl_registry *registry, uint32_t name, const char *interface,
                           uint32_t version);
    static void forgetGlobal(void *data, wl_registry *registry, uint32_t name);
    static void takeDataOffer(void *data, zwlr_data_control_device_v1 *device, zwlr_data_control_offer_v1 *offer);
    static void takeSelection(void *data, zwlr_data_control_device_v1 *device, zwlr_data_control_offer_v1 *offer);
    static void takePrimarySelection(void *data, zwlr_data_control_device_v1 *device,
                                     zwlr_data_control_offer_v1 *offer);
    static void takeOfferedType(void *data, zwlr_data_control_offer_v1 *offer, const char *mimeType);
    static void takeFinished(void *data, zwlr_data_control_device_v1 *device);
    static void takeSyncDone(void *data, wl_callback *callback, uint32_t);
    static void takeSend(void *data, zwlr_data_control_source_v1 *source, const char *mimeType, int32_t fd);
    static void takeCancelled(void *data, zwlr_data_control_source_v1 *source);

    WaylandConnection wayland;
    wl_registry *registry = nullptr;
    wl_seat *seat = nullptr;
    zwlr_data_control_manager_v1 *manager = nullptr;
    zwlr_data_control_device_v1 *device = nullptr;
    std::unique_ptr<Offer> current;
    // The offers the compositor announced, each with the types it is offered in; one of them is
    // the clipboard's content now (null: an empty clipboard).
    QHash<zwlr_data_control_offer_v1 *, QStringList> announced;
    zwlr_data_control_offer_v1 *clipboard = nullptr;
    std::vector<std::unique_ptr<Sync>> syncs;
    int pasteDeadlineMs = defaultPasteDeadlineMs;
};
