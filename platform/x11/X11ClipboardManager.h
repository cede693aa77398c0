#pragma once

// Whether a clipboard manager holds the CLIPBOARD_MANAGER selection of the application's X
// display: it then asks every clipboard owner that exits for its content.
bool x11ClipboardManagerRunning();
