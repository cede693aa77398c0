#pragma once

class QString;

// The one-shot capture for scripts (--full -o FILE): grabs the whole desktop once and writes it
// to the file through the safe save, in the format its suffix names (PNG without one). Runs the
// event loop until the grab has answered, so the application object must exist. Prints nothing
// on success; on failure one line with the reason on stderr. Returns the exit status.
int captureOnceToFile(const QString &fileName);
