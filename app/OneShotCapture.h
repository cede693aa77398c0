#pragma once

class QString;

// The one-shot capture for scripts (--full -o FILE, --window -o FILE): after `delayMs` grabs the
// whole desktop once, or with `focusedWindow` the window that has the focus then, and writes it
// to the file through the safe save, in the format its suffix names (PNG without one). Runs the
// event loop until the grab has answered, so the application object must exist. Prints nothing
// on success; on failure one line with the reason on stderr. Returns the exit status.
int captureOnceToFile(const QString &fileName, int delayMs = 0, bool focusedWindow = false);
