#pragma once

// Whether the desktop keeps the clipboard's content when its owner ends (a clipboard manager on
// X11, the system itself on Windows), so that a picture the program leaves there is handed over
// as it exits. True where it cannot be told. Needs the application object.
bool clipboardKeptAfterExit();
