#include "ClipboardChannel.h"

#include "platform/BackendChoice.h"

#ifdef TAVO_WAYLAND_DATA_CONTROL
#include "platform/wayland/DataControlSelection.h"
#endif
#ifdef TAVO_WAYLAND_FOCUSED_SELECTION
#include "platform/wayland/FocusedSelection.h"
#endif

ClipboardChannel namedClipboardChannel()
{
    // Asked once: a complaint about the name is said once.
    static const ClipboardChannel channel = [] {
        ClipboardChannel chosen = ClipboardChannel::Automatic;
        const QVector<NamedBackend> channels{
#ifdef TAVO_WAYLAND_DATA_CONTROL
            {QStringLiteral("data-control"), [&chosen](QString *why) {
                 if (!DataControlSelection::instance()) {
                     *why = QStringLiteral("no Wayland compositor with the data-control protocol");
                     return false;
                 }
                 chosen = ClipboardChannel::DataControl;
                 return true;
             }},
#endif
#ifdef TAVO_WAYLAND_FOCUSED_SELECTION
            {QStringLiteral("focused"), [&chosen](QString *why) {
                 if (!FocusedSelection::instance()) {
                     *why = QStringLiteral("no Wayland compositor with xdg-shell and a seat");
                     return false;
                 }
                 chosen = ClipboardChannel::Focused;
                 return true;
             }},
#endif
            {QStringLiteral("qt"), [&chosen](QString *) {
                 chosen = ClipboardChannel::Toolkit;
                 return true;
             }},
        };
        chooseNamedBackend("TAVO_CLIPBOARD", channels);
        return chosen;
    }();
    return channel;
}
