#pragma once

class Home;
struct InstanceRequest;

// Performs a request from the command line on the panel, as its hot key, button or menu entry
// would: a capture, saving it, a region, a board (with a picture), a pin, showing the panel, the exit.
// While a modal dialog of the program is open, only the exit is performed; the rest brings the
// dialog forward.
void performRequest(Home &panel, const InstanceRequest &request);
