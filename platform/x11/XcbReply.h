#pragma once

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

// xcb's replies and errors come from malloc.
struct XcbFree
{
    void operator()(void *p) const { std::free(p); }
};
template <typename T>
using XcbReply = std::unique_ptr<T, XcbFree>;

// The reply to a request sent earlier, null on failure. The error is taken too, so that a window
// gone meanwhile is not reported by the toolkit's event handler as a failed request.
template <typename T, typename Fetch, typename Cookie>
XcbReply<T> takeReply(xcb_connection_t *connection, Fetch fetch, Cookie cookie)
{
    xcb_generic_error_t *error = nullptr;
    XcbReply<T> reply(fetch(connection, cookie, &error));
    std::free(error);
    return reply;
}
