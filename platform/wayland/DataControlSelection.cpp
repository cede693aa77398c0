#include "DataControlSelection.h"

#include "platform/WindowSystem.h"
#include "platform/wayland/PasteWriter.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <QCoreApplication>

#include <cstring>
#include <unistd.h>
#include <wayland-client.h>

struct DataControlSelection::Offer
{
    zwlr_data_control_source_v1 *source = nullptr;
    QByteArray mimeType;
    Bytes bytes;
    std::function<void()> dropped;
};

DataControlSelection *DataControlSelection::instance()
{
    static DataControlSelection *selection = [] {
        if (!runsOnWayland())
            return static_cast<DataControlSelection *>(nullptr);
        auto *made = new DataControlSelection;
        if (!made->connectToCompositor()) {
            delete made;
            return static_cast<DataControlSelection *>(nullptr);
        }
        // Gone with the application, before the toolkit's own connection.
        made->setParent(QCoreApplication::instance());
        return made;
    }();
    return selection;
}

DataControlSelection::~DataControlSelection()
{
    if (current && current->source)
        zwlr_data_control_source_v1_destroy(current->source);
    if (device)
        zwlr_data_control_device_v1_destroy(device);
    if (manager)
        zwlr_data_control_manager_v1_destroy(manager);
    if (seat)
        wl_seat_destroy(seat);
    if (registry)
        wl_registry_destroy(registry);
}

bool DataControlSelection::connectToCompositor()
{
    if (!wayland.open())
        return false;
    static const wl_registry_listener listener{&DataControlSelection::takeGlobal, &DataControlSelection::forgetGlobal};
    registry = wl_display_get_registry(wayland.display());
    wl_registry_add_listener(registry, &listener, this);
    if (!wayland.roundtrip() || !seat || !manager)
        return false;
    static const zwlr_data_control_device_v1_listener deviceListener{
        &DataControlSelection::takeDataOffer, &DataControlSelection::takeSelection,
        &DataControlSelection::takeFinished, &DataControlSelection::takeSelection};
    device = zwlr_data_control_manager_v1_get_data_device(manager, seat);
    zwlr_data_control_device_v1_add_listener(device, &deviceListener, this);
    if (!wayland.roundtrip() || !device)
        return false;
    wayland.watch();
    return true;
}

bool DataControlSelection::offer(const QString &mimeType, Bytes bytes, std::function<void()> dropped)
{
    dropCurrent();
    // The seat's device has gone, or the compositor itself: nothing set here would be seen.
    if (!device || wayland.isBroken())
        return false;
    static const zwlr_data_control_source_v1_listener sourceListener{&DataControlSelection::takeSend,
                                                                      &DataControlSelection::takeCancelled};
    current = std::make_unique<Offer>();
    current->mimeType = mimeType.toUtf8();
    current->bytes = std::move(bytes);
    current->dropped = std::move(dropped);
    current->source = zwlr_data_control_manager_v1_create_data_source(manager);
    zwlr_data_control_source_v1_add_listener(current->source, &sourceListener, this);
    zwlr_data_control_source_v1_offer(current->source, current->mimeType.constData());
    zwlr_data_control_device_v1_set_selection(device, current->source);
    wayland.flush();
    return true;
}

void DataControlSelection::setPasteDeadline(int milliseconds)
{
    pasteDeadlineMs = milliseconds;
}


void DataControlSelection::dropCurrent()
{
    if (!current)
        return;
    const std::unique_ptr<Offer> gone = std::move(current);
    zwlr_data_control_source_v1_destroy(gone->source);
    if (gone->dropped)
        gone->dropped();
}

void DataControlSelection::takeGlobal(void *data, wl_registry *registry, uint32_t name, const char *interface,
                                      uint32_t version)
{
    Q_UNUSED(version)
    auto *self = static_cast<DataControlSelection *>(data);
    if (!self->seat && std::strcmp(interface, wl_seat_interface.name) == 0)
        self->seat = static_cast<wl_seat *>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (!self->manager && std::strcmp(interface, zwlr_data_control_manager_v1_interface.name) == 0)
        self->manager = static_cast<zwlr_data_control_manager_v1 *>(
            wl_registry_bind(registry, name, &zwlr_data_control_manager_v1_interface, 1));
}

void DataControlSelection::forgetGlobal(void *, wl_registry *, uint32_t)
{
}

void DataControlSelection::takeDataOffer(void *, zwlr_data_control_device_v1 *, zwlr_data_control_offer_v1 *)
{
    // Announced before the selection event that names it, which destroys it: nothing is read.
}

void DataControlSelection::takeSelection(void *, zwlr_data_control_device_v1 *, zwlr_data_control_offer_v1 *offer)
{
    if (offer)
        zwlr_data_control_offer_v1_destroy(offer);
}

void DataControlSelection::takeFinished(void *data, zwlr_data_control_device_v1 *device)
{
    auto *self = static_cast<DataControlSelection *>(data);
    zwlr_data_control_device_v1_destroy(device);
    self->device = nullptr;
}

void DataControlSelection::takeSend(void *data, zwlr_data_control_source_v1 *source, const char *mimeType, int32_t fd)
{
    auto *self = static_cast<DataControlSelection *>(data);
    const Offer *offer = self->current.get();
    if (!offer || offer->source != source || offer->mimeType != mimeType) {
        ::close(fd);
        return;
    }
    // The bytes may still be in the making: the paste waits for them away from the event loop.
    writePasteLater(fd, offer->bytes, self->pasteDeadlineMs);
}

void DataControlSelection::takeCancelled(void *data, zwlr_data_control_source_v1 *source)
{
    auto *self = static_cast<DataControlSelection *>(data);
    // Sources replaced earlier were destroyed then, and hear nothing more.
    if (self->current && self->current->source == source)
        self->dropCurrent();
}
