// Presses a key combination through KWin's org_kde_kwin_fake_input: the keys go down in the given
// order and come up in reverse. KWin must trust the client: scripts/wayland/with-kwin.sh starts
// it with KWIN_WAYLAND_NO_PERMISSION_CHECKS=1.
// usage: kwin-keys KEY...   KEY: ctrl shift alt super, a-z, 0-9, f1-f12, print esc enter space tab,
//                           or an evdev code (29 = left Ctrl)      e.g. kwin-keys ctrl alt x
// Built with the tests (tests/wayland/CMakeLists.txt), which generate fake-input-client-protocol.h from
// plasma-wayland-protocols.
#include "fake-input-client-protocol.h"
#include "input-tool.h"
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include <wayland-client.h>

static struct org_kde_kwin_fake_input *fake;

static void global(void *data, struct wl_registry *registry, uint32_t name, const char *interface, uint32_t version)
{
    (void)data;
    if (strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 && version >= 4)
        fake = wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4);
}
static const struct wl_registry_listener registry_listener = {global, ignore_global_remove};

static int key_code(const char *name)
{
    static const struct { const char *name; int code; } names[] = {
        {"ctrl", KEY_LEFTCTRL}, {"shift", KEY_LEFTSHIFT}, {"alt", KEY_LEFTALT}, {"super", KEY_LEFTMETA},
        {"altgr", KEY_RIGHTALT}, {"print", KEY_SYSRQ}, {"esc", KEY_ESC}, {"enter", KEY_ENTER},
        {"space", KEY_SPACE}, {"tab", KEY_TAB}, {"backspace", KEY_BACKSPACE}, {"delete", KEY_DELETE},
        {"left", KEY_LEFT}, {"right", KEY_RIGHT}, {"up", KEY_UP}, {"down", KEY_DOWN},
    };
    static const char letters[] = "qwertyuiop\0\0\0\0asdfghjkl\0\0\0\0\0zxcvbnm"; // from KEY_Q = 16
    const size_t n = strlen(name);
    char *end;
    const long number = strtol(name, &end, 10);
    if (n > 1 && *end == '\0')
        return (int)number;
    if (n == 1 && name[0] >= 'a' && name[0] <= 'z')
        return KEY_Q + (int)((const char *)memchr(letters, name[0], sizeof letters) - letters);
    if (n == 1 && name[0] >= '1' && name[0] <= '9')
        return KEY_1 + name[0] - '1';
    if (n == 1 && name[0] == '0')
        return KEY_0;
    if ((name[0] == 'f' || name[0] == 'F') && n > 1 && name[1] != '\0') {
        const long f = strtol(name + 1, &end, 10);
        if (*end == '\0' && f >= 1 && f <= 10) return KEY_F1 + (int)f - 1;
        if (*end == '\0' && (f == 11 || f == 12)) return KEY_F11 + (int)f - 11;
    }
    for (size_t i = 0; i < sizeof names / sizeof names[0]; ++i)
        if (strcasecmp(name, names[i].name) == 0)
            return names[i].code;
    return -1;
}

int main(int argc, char **argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: kwin-keys KEY...   e.g. kwin-keys ctrl alt x\n");
        return 2;
    }
    int codes[argc];
    for (int i = 1; i < argc; ++i) {
        if ((codes[i] = key_code(argv[i])) < 0) {
            fprintf(stderr, "kwin-keys: unknown key %s\n", argv[i]);
            return 2;
        }
    }
    alarm(30);
    struct wl_display *display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "kwin-keys: cannot connect to the Wayland display\n");
        return 1;
    }
    struct wl_registry *registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registry_listener, NULL);
    wl_display_roundtrip(display);
    if (!fake) {
        fprintf(stderr, "kwin-keys: no org_kde_kwin_fake_input v4 (not KWin, or KWin does not trust this client)\n");
        return 1;
    }
    org_kde_kwin_fake_input_authenticate(fake, "kwin-keys", "test input");
    for (int i = 1; i < argc; ++i) {
        org_kde_kwin_fake_input_keyboard_key(fake, codes[i], 1);
        wl_display_roundtrip(display);
    }
    for (int i = argc - 1; i >= 1; --i) {
        org_kde_kwin_fake_input_keyboard_key(fake, codes[i], 0);
        wl_display_roundtrip(display);
    }
    wl_display_disconnect(display);
    return 0;
}
