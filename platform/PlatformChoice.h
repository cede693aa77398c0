#pragma once

// Global hot keys and the desktop grab need X11: under a Wayland session the program asks for
// XWayland, unless the user chose a platform (QT_QPA_PLATFORM) already or there is no XWayland.
// Call before the application object exists.
void preferX11OnWayland();
