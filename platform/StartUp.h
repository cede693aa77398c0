#pragma once

#include <memory>

class QObject;

// What start-up asks of the operating system. The back end of the system the program is built
// for answers.

// Whether there is a graphical desktop to run on (on Unix $DISPLAY or $WAYLAND_DISPLAY, or a
// platform the user chose). Call before the application object exists: without a desktop the
// toolkit would abort it. The other two need the application object.
bool hasGraphicalDesktop();

// Where a windowed program has no output of its own (Windows), writes what it prints (help,
// version, errors of a command) to the console it was started from, if any. Call before printing.
void useParentConsoleForOutput();

// Ends the event loop like the exit menu entry when the system asks the program to stop (on Unix
// SIGTERM, SIGINT and the log-out's SIGHUP), so the panel is destroyed and everything held is
// released. Watches for as long as the returned object lives; null where nothing is needed.
std::unique_ptr<QObject> exitOnTerminationRequests();

// Gives every window the program icon where the system does not take it from the executable.
void useProgramIconForWindows();
