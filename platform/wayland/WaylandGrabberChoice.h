#pragma once

#include <memory>

class DesktopGrabber;

// The desktop grabber of a Wayland session, chosen by what the session offers: the compositor's
// own way where it has one we speak (screencopy on wlroots compositors, ScreenShot2 on KWin),
// otherwise the Screenshot portal (GNOME and the rest); grim where no portal answers. Each
// stands in for the one before it when that cannot take the picture. Call after the
// application object exists.
std::unique_ptr<DesktopGrabber> waylandDesktopGrabber();
