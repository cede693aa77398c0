#pragma once

#include <QString>

// GNOME 43 offers no GlobalShortcuts portal, so the program cannot hold its keys there: the
// desktop's own custom key bindings run the command line instead. These are the four bindings of
// the hot-key table (Ctrl+Alt+X and the rest, each running `PROGRAM --full` and so on) in GNOME's
// settings, read and written with gsettings.
namespace gnomeKeyBindings {

// Whether this is a GNOME session (XDG_CURRENT_DESKTOP).
bool isGnomeSession();

// Whether all four of the program's bindings are in GNOME's custom key bindings.
bool present();

// Adds the four bindings, each running `program` with its option, beside the user's own; false
// with a reason (in the system's words) when gsettings refuses.
bool add(const QString &program, QString *failure);

} // namespace gnomeKeyBindings
