#include "ClipboardOffer.h"

#ifdef TAVO_WAYLAND_DATA_CONTROL
#include "platform/wayland/DataControlSelection.h"
#endif

bool offerBesideToolkit(const QString &mimeType, std::function<QByteArray()> bytes, std::function<void()> dropped)
{
#ifdef TAVO_WAYLAND_DATA_CONTROL
    if (DataControlSelection *selection = DataControlSelection::instance())
        return selection->offer(mimeType, std::move(bytes), std::move(dropped));
#else
    Q_UNUSED(mimeType)
    Q_UNUSED(bytes)
    Q_UNUSED(dropped)
#endif
    return false;
}
