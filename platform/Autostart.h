#pragma once

class QString;

// Whether the program starts with the user's desktop session. Off until the user turns it on;
// the system's own place for it holds the choice (an XDG autostart entry on Linux, the Run key
// on Windows), so it survives without a settings file of ours.
namespace autostart {

bool isEnabled();

// Turns starting with the session on (for the program at `programPath`) or off. Returns whether
// the system now holds that choice; on failure `failure` (if given) receives the reason.
bool setEnabled(bool enabled, const QString &programPath, QString *failure = nullptr);

} // namespace autostart
