#pragma once

// Global hot keys and the desktop grab need X11: under a Wayland session the program asks for
// XWayland, unless the user chose a platform (QT_QPA_PLATFORM) already or there is no XWayland.
// Call before the application object exists.
void preferX11OnWayland();

// Every window of the program paints with the raster engine, so the window system's OpenGL
// integration would only load the GL stack (tens of megabytes, a good part of the start-up):
// it is turned off unless the user asked for one (QT_XCB_GL_INTEGRATION). Call before the
// application object exists.
void leaveOutOpenGl();
