// Drives a pointer through wlroots' virtual-pointer protocol (sway): clicks and drags for tests.
// usage: vptr WIDTH HEIGHT STEP...   (WIDTH HEIGHT: the output size, so that X,Y are pixels)
// STEP: move:X,Y  down[:BUTTON]  up[:BUTTON]  click[:BUTTON]  sleep:MS   (BUTTON: left right middle)
// A drag: vptr 1280 720 move:100,100 down move:200,150 move:300,250 up
// Built with the tests (tests/wayland/CMakeLists.txt), which generate virtual-pointer-client-protocol.h from the protocol XML.
#include "virtual-pointer-client-protocol.h"
#include "input-tool.h"
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>
#include <wayland-client.h>

static struct zwlr_virtual_pointer_manager_v1 *manager;

static void global(void *data, struct wl_registry *registry, uint32_t name, const char *interface, uint32_t version)
{
    (void)data;
    (void)version;
    if (strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        manager = wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1);
}
static const struct wl_registry_listener registry_listener = {global, ignore_global_remove};

static uint32_t now_ms(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (uint32_t)(t.tv_sec * 1000 + t.tv_nsec / 1000000);
}

int main(int argc, char **argv)
{
    if (argc < 4) {
        fprintf(stderr, "usage: vptr WIDTH HEIGHT STEP...\n"
                        "STEP: move:X,Y down[:BUTTON] up[:BUTTON] click[:BUTTON] sleep:MS\n");
        return 2;
    }
    alarm(30);
    struct wl_display *display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "vptr: cannot connect to the Wayland display\n");
        return 1;
    }
    struct wl_registry *registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registry_listener, NULL);
    wl_display_roundtrip(display);
    if (!manager) {
        fprintf(stderr, "vptr: the compositor offers no zwlr_virtual_pointer_manager_v1\n");
        return 1;
    }
    struct zwlr_virtual_pointer_v1 *pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, NULL);
    const unsigned width = strtoul(argv[1], NULL, 10), height = strtoul(argv[2], NULL, 10);
    for (int i = 3; i < argc; ++i) {
        unsigned x, y, ms;
        uint32_t button;
        if (sscanf(argv[i], "move:%u,%u", &x, &y) == 2) {
            zwlr_virtual_pointer_v1_motion_absolute(pointer, now_ms(), x, y, width, height);
        } else if ((button = button_of(argv[i], "down"))) {
            zwlr_virtual_pointer_v1_button(pointer, now_ms(), button, WL_POINTER_BUTTON_STATE_PRESSED);
        } else if ((button = button_of(argv[i], "up"))) {
            zwlr_virtual_pointer_v1_button(pointer, now_ms(), button, WL_POINTER_BUTTON_STATE_RELEASED);
        } else if ((button = button_of(argv[i], "click"))) {
            zwlr_virtual_pointer_v1_button(pointer, now_ms(), button, WL_POINTER_BUTTON_STATE_PRESSED);
            zwlr_virtual_pointer_v1_frame(pointer);
            zwlr_virtual_pointer_v1_button(pointer, now_ms(), button, WL_POINTER_BUTTON_STATE_RELEASED);
        } else if (sscanf(argv[i], "sleep:%u", &ms) == 1) {
            usleep(ms * 1000);
            continue;
        } else {
            fprintf(stderr, "vptr: bad step %s\n", argv[i]);
            return 2;
        }
        zwlr_virtual_pointer_v1_frame(pointer);
        wl_display_roundtrip(display);
    }
    zwlr_virtual_pointer_v1_destroy(pointer);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
