// What the input tools (vptr, kwin-keys, kwin-pointer) share: the registry's removal handler,
// which none of them needs, and the pointer steps' buttons.
#pragma once

#include <linux/input-event-codes.h>
#include <stdint.h>
#include <string.h>
#include <wayland-client.h>

static inline void ignore_global_remove(void *data, struct wl_registry *registry, uint32_t name)
{
    (void)data;
    (void)registry;
    (void)name;
}

// "down", "down:right" ... -> evdev button code, 0 when STEP is not ACTION
static inline uint32_t button_of(const char *step, const char *action)
{
    const size_t n = strlen(action);
    if (strncmp(step, action, n) != 0 || (step[n] != '\0' && step[n] != ':'))
        return 0;
    const char *which = step[n] ? step + n + 1 : "left";
    if (strcmp(which, "left") == 0) return BTN_LEFT;
    if (strcmp(which, "right") == 0) return BTN_RIGHT;
    if (strcmp(which, "middle") == 0) return BTN_MIDDLE;
    return 0;
}
