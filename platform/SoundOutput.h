#pragma once

// Whether the shutter sound can be heard here at all: there is somewhere to play it and a decoder
// for it. Where it matters, this also picks the media back end's audio output. Answered by the
// back end of the system the program is built for; call before the first media player exists.
bool soundCanPlay();
