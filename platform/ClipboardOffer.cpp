#include "ClipboardOffer.h"

#ifdef TAVO_WAYLAND_DATA_CONTROL
#include "platform/wayland/DataControlSelection.h"
#endif
#ifdef TAVO_WAYLAND_FOCUSED_SELECTION
#include "platform/wayland/FocusedSelection.h"

#include <QGuiApplication>
#endif

bool offerBesideToolkit(const QString &mimeType, std::function<QByteArray()> bytes, std::function<void()> dropped)
{
#ifdef TAVO_WAYLAND_DATA_CONTROL
    if (DataControlSelection *selection = DataControlSelection::instance())
        return selection->offer(mimeType, std::move(bytes), std::move(dropped));
#ifdef TAVO_WAYLAND_FOCUSED_SELECTION
    // A window of ours with the focus (the region overlay's copy button) lets the toolkit set it.
    if (!QGuiApplication::focusWindow())
        if (FocusedSelection *selection = FocusedSelection::instance())
            return selection->offer(mimeType, std::move(bytes), std::move(dropped));
#endif
#else
    Q_UNUSED(mimeType)
    Q_UNUSED(bytes)
    Q_UNUSED(dropped)
#endif
    return false;
}
