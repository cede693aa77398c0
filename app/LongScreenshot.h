#pragma once

class DesktopGrabber;
class QObject;
class QRect;
class QScreen;

// Starts a long screenshot of `logicalArea` on `screen`. Its picture goes onto the clipboard, as
// a copy does, and into a window that saves or pins it; a capture that stopped by itself says why.
void startLongScreenshot(const QRect &logicalArea, QScreen *screen, DesktopGrabber &grabber, QObject *parent);
