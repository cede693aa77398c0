/* Holds Ctrl+Alt+<letter> on the root window for every lock state, as another program would.
 *   keyholder LETTER...          grab, print "held" and sleep until killed
 *   keyholder --check LETTER...  grab, then exit 0 when every grab succeeded, 1 otherwise
 * A refused grab (someone else holds the key) is reported on stdout as "refused LETTER". */
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

static int refused;

static int noteError(Display *display, XErrorEvent *error)
{
    (void)display;
    if (error->error_code == BadAccess)
        refused = 1;
    return 0;
}

int main(int argc, char **argv)
{
    int check = argc > 1 && strcmp(argv[1], "--check") == 0;
    Display *display = XOpenDisplay(NULL);
    if (!display)
        return 2;
    XSetErrorHandler(noteError);
    const unsigned int locks[] = {0, LockMask, Mod2Mask, LockMask | Mod2Mask};
    int failures = 0;
    for (int i = 1 + check; i < argc; ++i) {
        KeyCode code = XKeysymToKeycode(display, XStringToKeysym(argv[i]));
        refused = 0;
        for (unsigned int k = 0; k < sizeof locks / sizeof locks[0]; ++k)
            XGrabKey(display, code, ControlMask | Mod1Mask | locks[k], DefaultRootWindow(display),
                     False, GrabModeAsync, GrabModeAsync);
        XSync(display, False);
        if (refused) {
            printf("refused %s\n", argv[i]);
            ++failures;
        }
    }
    if (check) {
        XCloseDisplay(display);
        return failures ? 1 : 0;
    }
    printf("held\n");
    fflush(stdout);
    for (;;)
        pause();
}
