#include "X11WindowWithdrawal.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <QX11Info>
#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace {

// Past this the window is taken as gone whatever the server says: a capture must not hang on a
// window manager that never answers.
constexpr int longestWaitMs = 60;
constexpr int pollMs = 1;

// The window's ancestor just below the root: the manager's frame, or the window itself where
// there is no manager.
xcb_window_t topLevelOf(xcb_connection_t *connection, xcb_window_t window)
{
    for (int depth = 0; depth < 8; ++depth) {
        xcb_query_tree_reply_t *tree =
            xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr);
        if (!tree)
            break;
        const bool atTop = tree->parent == tree->root || tree->parent == XCB_NONE;
        const xcb_window_t parent = tree->parent;
        std::free(tree);
        if (atTop)
            break;
        window = parent;
    }
    return window;
}

// Whether the window is still on the screen; a window destroyed meanwhile is not.
bool isViewable(xcb_connection_t *connection, xcb_window_t window)
{
    xcb_generic_error_t *error = nullptr;
    xcb_get_window_attributes_reply_t *attributes = xcb_get_window_attributes_reply(
        connection, xcb_get_window_attributes(connection, window), &error);
    std::free(error);
    const bool viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(attributes);
    return viewable;
}

} // namespace

void X11WindowWithdrawal::hide(QWidget *window, Gone gone)
{
    xcb_connection_t *connection = QX11Info::connection();
    if (!window->isVisible() || !connection) {
        if (window->isVisible())
            window->hide();
        gone();
        return;
    }
    const xcb_window_t frame = topLevelOf(connection, xcb_window_t(window->winId()));
    window->hide();

    // Polled rather than waited for in events: the frame is the manager's window, and its unmap
    // takes a millisecond or two. The requests follow our own unmap on the same connection, so
    // the first answer already sees a window without a frame as gone.
    auto *poll = new QTimer(window);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    const int repaintMs = frameInterval(window);
    QObject::connect(poll, &QTimer::timeout, window, [=] {
        if (isViewable(connection, frame) && clock->elapsed() < longestWaitMs)
            return;
        poll->stop();
        poll->deleteLater();
        QTimer::singleShot(repaintMs, window, gone);
    });
    poll->start(pollMs);
}
