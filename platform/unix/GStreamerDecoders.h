#pragma once

// Whether the GStreamer installation the media back end plays through has what the shutter
// sound needs: the playbin element and a decoder for MP3. Asks GStreamer's registry directly
// (a few milliseconds once GStreamer is up, which the first player needs anyway), where the
// toolkit's own query lists every format of every plug-in first (400 ms here).
bool gstreamerCanPlayMp3();
