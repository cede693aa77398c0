#pragma once

// Whether the system has somewhere to play a sound; where it matters, this also picks the media
// back end's audio output for it. Answered by the back end of the system the program is built
// for; call before the first media player exists.
bool soundOutputAvailable();
