#include "ClipboardOffer.h"

#include "platform/BackendChoice.h"

#ifdef TAVO_WAYLAND_DATA_CONTROL
#include "platform/wayland/DataControlSelection.h"
#endif
#ifdef TAVO_WAYLAND_FOCUSED_SELECTION
#include "platform/wayland/FocusedSelection.h"

#include <QGuiApplication>
#endif

namespace {

enum class Channel { Automatic, Toolkit, DataControl, Focused };

// Asked once, at the first offer: a complaint about the name is said once.
Channel namedChannel()
{
    static const Channel channel = [] {
        Channel chosen = Channel::Automatic;
        const QVector<NamedBackend> channels{
#ifdef TAVO_WAYLAND_DATA_CONTROL
            {QStringLiteral("data-control"), [&chosen](QString *why) {
                 if (!DataControlSelection::instance()) {
                     *why = QStringLiteral("no Wayland compositor with the data-control protocol");
                     return false;
                 }
                 chosen = Channel::DataControl;
                 return true;
             }},
#endif
#ifdef TAVO_WAYLAND_FOCUSED_SELECTION
            {QStringLiteral("focused"), [&chosen](QString *why) {
                 if (!FocusedSelection::instance()) {
                     *why = QStringLiteral("no Wayland compositor with xdg-shell and a seat");
                     return false;
                 }
                 chosen = Channel::Focused;
                 return true;
             }},
#endif
            {QStringLiteral("qt"), [&chosen](QString *) {
                 chosen = Channel::Toolkit;
                 return true;
             }},
        };
        chooseNamedBackend("TAVO_CLIPBOARD", channels);
        return chosen;
    }();
    return channel;
}

} // namespace

bool offerBesideToolkit(const QString &mimeType, std::function<QByteArray()> bytes, std::function<void()> dropped,
                        std::function<void(const QString &why)> refused)
{
    const Channel channel = namedChannel();
#ifdef TAVO_WAYLAND_DATA_CONTROL
    if (channel == Channel::Automatic || channel == Channel::DataControl)
        if (DataControlSelection *selection = DataControlSelection::instance())
            return selection->offer(mimeType, std::move(bytes), std::move(dropped));
#endif
#ifdef TAVO_WAYLAND_FOCUSED_SELECTION
    // A window of ours with the focus (the region overlay's copy button) lets the toolkit set it;
    // named by hand, this channel is taken all the same.
    const bool focusedWanted = channel == Channel::Focused || (channel == Channel::Automatic && !QGuiApplication::focusWindow());
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
