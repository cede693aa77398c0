#include "DataControlSelection.h"

#include "platform/ClipboardReading.h"
#include "platform/WindowSystem.h"
#include "platform/wayland/PasteReader.h"
#include "platform/wayland/PasteWriter.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <QCoreApplication>
#include <QPointer>

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <wayland-client.h>

struct DataControlSelection::Offer
{
    zwlr_data_control_source_v1 *source = nullptr;
    QByteArray mimeType;
    Bytes bytes;
    std::function<void()> dropped;
};

struct DataControlSelection::Sync
{
    wl_callback *callback = nullptr;
    std::function<void()> then;
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
    for (auto offer = announced.keyBegin(); offer != announced.keyEnd(); ++offer)
        zwlr_data_control_offer_v1_destroy(*offer);
    for (const std::unique_ptr<Sync> &sync : syncs)
        wl_callback_destroy(sync->callback);
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
        &DataControlSelection::takeFinished, &DataControlSelection::takePrimarySelection};
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

void DataControlSelection::readPicture(QObject *context, int deadlineMs,
                                       std::function<void(const ClipboardContent &)> done)
{
    // The command that asked may have come a moment after a copy whose news is still on its way:
    // what the compositor holds now is what counts.
    if (!device || wayland.isBroken()) {
        done(ClipboardContent{{}, {}, {}, QStringLiteral("桌面的剪贴板已不可用")});
        return;
    }
    QPointer<QObject> asker(context);
    afterSync([this, asker, deadlineMs, done = std::move(done)] {
        if (asker)
            receivePicture(asker, deadlineMs, done);
    });
}

void DataControlSelection::receivePicture(QObject *context, int deadlineMs,
                                          const std::function<void(const ClipboardContent &)> &done)
{
    const QString type = clipboard ? bestPictureType(announced.value(clipboard)) : QString();
    if (type.isEmpty() || !device) {
        done(ClipboardContent());
        return;
    }
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0) {
        done(ClipboardContent{type.toUtf8(), {}, {}, QStringLiteral("无法读取剪贴板：系统拒绝了新的管道")});
        return;
    }
    zwlr_data_control_offer_v1_receive(clipboard, type.toUtf8().constData(), pipe[1]);
    wayland.flush();
    // Our end of the writing side goes at once, so that the end of the owner's write is seen.
    ::close(pipe[1]);
    readPasteLater(pipe[0], deadlineMs, context, [type, done](const PasteRead &read) {
        done(ClipboardContent{type.toUtf8(), read.bytes, {}, read.failure});
    });
}

void DataControlSelection::afterSync(std::function<void()> then)
{
    static const wl_callback_listener listener{&DataControlSelection::takeSyncDone};
    auto sync = std::make_unique<Sync>();
    sync->then = std::move(then);
    sync->callback = wl_display_sync(wayland.display());
    wl_callback_add_listener(sync->callback, &listener, this);
    syncs.push_back(std::move(sync));
    wayland.flush();
}

void DataControlSelection::takeSyncDone(void *data, wl_callback *callback, uint32_t)
{
    auto *self = static_cast<DataControlSelection *>(data);
    const auto found = std::find_if(self->syncs.begin(), self->syncs.end(),
                                    [callback](const std::unique_ptr<Sync> &sync) { return sync->callback == callback; });
    if (found == self->syncs.end())
        return;
    const std::unique_ptr<Sync> sync = std::move(*found);
    self->syncs.erase(found);
    wl_callback_destroy(callback);
    sync->then();
}

void DataControlSelection::forgetOffer(zwlr_data_control_offer_v1 *offer)
{
    if (!offer)
        return;
    announced.remove(offer);
    zwlr_data_control_offer_v1_destroy(offer);
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

void DataControlSelection::takeDataOffer(void *data, zwlr_data_control_device_v1 *, zwlr_data_control_offer_v1 *offer)
{
    // Announced with its types before the selection event that names it.
    static const zwlr_data_control_offer_v1_listener listener{&DataControlSelection::takeOfferedType};
    auto *self = static_cast<DataControlSelection *>(data);
    self->announced.insert(offer, {});
    zwlr_data_control_offer_v1_add_listener(offer, &listener, self);
}

void DataControlSelection::takeOfferedType(void *data, zwlr_data_control_offer_v1 *offer, const char *mimeType)
{
    auto *self = static_cast<DataControlSelection *>(data);
    const auto types = self->announced.find(offer);
    if (types != self->announced.end())
        types->append(QString::fromUtf8(mimeType));
}

void DataControlSelection::takeSelection(void *data, zwlr_data_control_device_v1 *, zwlr_data_control_offer_v1 *offer)
{
    // The clipboard's content from now on; the one before can be read no more.
    auto *self = static_cast<DataControlSelection *>(data);
    if (self->clipboard != offer)
        self->forgetOffer(self->clipboard);
    self->clipboard = offer;
}

void DataControlSelection::takePrimarySelection(void *data, zwlr_data_control_device_v1 *,
                                                zwlr_data_control_offer_v1 *offer)
{
    // Never sent at the version bound; an offer that comes all the same is not the clipboard.
    auto *self = static_cast<DataControlSelection *>(data);
    if (offer != self->clipboard)
        self->forgetOffer(offer);
}

void DataControlSelection::takeFinished(void *data, zwlr_data_control_device_v1 *device)
{
    auto *self = static_cast<DataControlSelection *>(data);
    self->forgetOffer(self->clipboard);
    self->clipboard = nullptr;
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
