#include "ClipboardOffer.h"

#include "platform/ClipboardChannel.h"

#ifdef TAVO_WAYLAND_DATA_CONTROL
#include "platform/wayland/DataControlSelection.h"
#endif
#ifdef TAVO_WAYLAND_FOCUSED_SELECTION
#include "platform/wayland/FocusedSelection.h"

#include <QGuiApplication>
#endif

bool offerBesideToolkit(const QString &mimeType, std::function<QByteArray()> bytes, std::function<void()> dropped,
                        std::function<void(const QString &why)> refused)
{
    const ClipboardChannel channel = namedClipboardChannel();
#ifdef TAVO_WAYLAND_DATA_CONTROL
    if (channel == ClipboardChannel::Automatic || channel == ClipboardChannel::DataControl)
        if (DataControlSelection *selection = DataControlSelection::instance())
            return selection->offer(mimeType, std::move(bytes), std::move(dropped));
#endif
#ifdef TAVO_WAYLAND_FOCUSED_SELECTION
    // A window of ours with the focus (the region overlay's copy button) lets the toolkit set it;
    // named by hand, this channel is taken all the same.
    const bool focusedWanted = channel == ClipboardChannel::Focused
                               || (channel == ClipboardChannel::Automatic && !QGuiApplication::focusWindow());
    if (focusedWanted)
        if (FocusedSelection *selection = FocusedSelection::instance())
            return selection->offer(mimeType, std::move(bytes), std::move(dropped), std::move(refused));
#endif
    Q_UNUSED(channel)
    Q_UNUSED(mimeType)
    Q_UNUSED(bytes)
    Q_UNUSED(dropped)
    Q_UNUSED(refused)
    return false;
}
