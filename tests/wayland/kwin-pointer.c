// Moves and clicks the pointer through KWin's org_kde_kwin_fake_input, as vptr does on sway. KWin
// must trust the client: scripts/wayland/with-kwin.sh starts it with
// KWIN_WAYLAND_NO_PERMISSION_CHECKS=1.
// usage: kwin-pointer STEP...
// STEP: move:X,Y (to that point of the workspace)  down[:BUTTON]  up[:BUTTON]  click[:BUTTON]
//       sleep:MS   (BUTTON: left right middle)
// A drag: kwin-pointer move:100,100 down move:200,150 move:300,250 up
// Built with the tests (tests/wayland/CMakeLists.txt), which generate fake-input-client-protocol.h from
// plasma-wayland-protocols.
#include "fake-input-client-protocol.h"
#include "input-tool.h"
#include <stdio.h>
#include <string.h>
#include <unistd.h>
#include <wayland-client.h>

static struct org_kde_kwin_fake_input *fake;

static void global(void *data, struct wl_registry *registry, uint32_t name, const char *interface, uint32_t version)
{
    (void)data;
    if (strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 && version >= 3)
        fake = wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 3);
}
static const struct wl_registry_listener registry_listener = {global, ignore_global_remove};

int main(int argc, char **argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: kwin-pointer STEP...\n"
                        "STEP: move:X,Y down[:BUTTON] up[:BUTTON] click[:BUTTON] sleep:MS\n");
        return 2;
    }
    alarm(30);
    struct wl_display *display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "kwin-pointer: cannot connect to the Wayland display\n");
        return 1;
    }
    struct wl_registry *registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registry_listener, NULL);
    wl_display_roundtrip(display);
    if (!fake) {
        fprintf(stderr, "kwin-pointer: no org_kde_kwin_fake_input v3 (not KWin, or KWin does not trust this client)\n");
        return 1;
    }
    org_kde_kwin_fake_input_authenticate(fake, "kwin-pointer", "test input");
    for (int i = 1; i < argc; ++i) {
        unsigned x, y, ms;
        uint32_t button;
        if (sscanf(argv[i], "move:%u,%u", &x, &y) == 2) {
            org_kde_kwin_fake_input_pointer_motion_absolute(fake, wl_fixed_from_int((int)x), wl_fixed_from_int((int)y));
        } else if ((button = button_of(argv[i], "down"))) {
            org_kde_kwin_fake_input_button(fake, button, WL_POINTER_BUTTON_STATE_PRESSED);
        } else if ((button = button_of(argv[i], "up"))) {
            org_kde_kwin_fake_input_button(fake, button, WL_POINTER_BUTTON_STATE_RELEASED);
        } else if ((button = button_of(argv[i], "click"))) {
            org_kde_kwin_fake_input_button(fake, button, WL_POINTER_BUTTON_STATE_PRESSED);
            org_kde_kwin_fake_input_button(fake, button, WL_POINTER_BUTTON_STATE_RELEASED);
        } else if (sscanf(argv[i], "sleep:%u", &ms) == 1) {
            usleep(ms * 1000);
            continue;
        } else {
            fprintf(stderr, "kwin-pointer: bad step %s\n", argv[i]);
            return 2;
        }
        wl_display_roundtrip(display);
    }
    wl_display_disconnect(display);
    return 0;
}
