#pragma once

class Home;
struct InstanceRequest;

// Performs a request from the command line on the panel, as its hot key, button or menu entry
// would: a capture of the desktop, the focused window or a region (the last one again, or written
// to a file), each after its delay; saving a capture, a board (with a picture), a pin, showing
// the panel, the exit.
// While a modal dialog of the program is open, only the exit is performed; the rest brings the
// dialog forward.
void performRequest(Home &panel, const InstanceRequest &request);
