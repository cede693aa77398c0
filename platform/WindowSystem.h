#pragma once

// Which window system the application runs on, from the toolkit's platform. Call after the
// application object exists.
bool runsOnX11();
bool runsOnWayland();
