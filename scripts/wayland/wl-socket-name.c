// LD_PRELOAD shim for sway 1.7, which always names its socket "wayland-N": the first socket it
// adds gets the name in $TAVO_WL_SOCKET instead (15 characters at most). with-sway.sh builds it:
//   cc -shared -fPIC -o wl-socket-name.so wl-socket-name.c -ldl
// The constructor takes LD_PRELOAD and TAVO_WL_SOCKET out of the environment, so the programs that
// sway starts (bindsym ... exec) do not inherit them.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdlib.h>
#include <string.h>

struct wl_display;
static char wanted[16];

__attribute__((constructor)) static void take_environment(void)
{
    const char *name = getenv("TAVO_WL_SOCKET");
    if (name && strlen(name) < sizeof wanted)
        strcpy(wanted, name);
    unsetenv("TAVO_WL_SOCKET");
    unsetenv("LD_PRELOAD");
}

int wl_display_add_socket(struct wl_display *display, const char *name)
{
    static int (*real)(struct wl_display *, const char *);
    if (!real)
        real = (int (*)(struct wl_display *, const char *))dlsym(RTLD_NEXT, "wl_display_add_socket");
    // sway passes a char[16] of its own that it copies afterwards as its socket name
    if (wanted[0] && name && strncmp(name, "wayland-", 8) == 0)
        strcpy((char *)name, wanted);
    return real(display, name);
}
