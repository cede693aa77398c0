#pragma once

// Under a Wayland session (WAYLAND_DISPLAY set) the program runs on Qt's wayland platform, where
// the desktop portals take the pictures and hold the keys: XWayland would see only X11 windows.
// Where the wayland platform cannot start (no plug-in, no compositor behind the name) the toolkit
// falls back to xcb. A platform the user chose (QT_QPA_PLATFORM) is left as it is. Call before
// the application object exists.
void runNativelyOnWayland();

// Every window of the program paints with the raster engine, so the window system's OpenGL
// integration would only load the GL stack (tens of megabytes, a good part of the start-up):
// it is turned off unless the user asked for one (QT_XCB_GL_INTEGRATION). Call before the
// application object exists.
void leaveOutOpenGl();
