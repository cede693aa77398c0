#pragma once

// When the program ends owning a picture on the clipboard, the desktop's clipboard manager keeps
// it by asking for every format the clipboard offers, and the toolkit makes each of them while
// the process waits: PNG twice and XPM, which takes seconds for a screen-sized picture of a busy
// desktop. Offering only PNG, encoded once at a fast level, lets the program end at once and the
// picture survive it. Call after the event loop has ended, while the application object lives.
void offerOnlyPngForHandOver();
