#pragma once

class DesktopGrabber;
class LongCapture;
class QObject;
class QRect;
class QScreen;

// Starts a long screenshot of `logicalArea` on `screen`. Its picture goes onto the clipboard, as
// a copy does, and into a window that saves or pins it; a capture that stopped by itself says why.
// The capture returned deletes itself once it has ended.
LongCapture *startLongScreenshot(const QRect &logicalArea, QScreen *screen, DesktopGrabber &grabber, QObject *parent);
