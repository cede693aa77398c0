#pragma once

#include <QByteArray>

#include <functional>

// How long one paste may take to write before it is given up.
inline constexpr int defaultPasteDeadlineMs = 10000;

// Answers a paste from a Wayland clipboard offer of ours: on a thread of the paste writers' own
// pool, calls `bytes` (which may wait there for an encoding to finish), writes the result into
// the reader's pipe `fd` without blocking and closes it, giving up once `deadlineMs` has passed.
// A reader that stops reading thus holds neither a thread of the pool that loads pictures nor,
// for ever, the program's exit, which waits for the writers.
void writePasteLater(int fd, std::function<QByteArray()> bytes, int deadlineMs);

// The paste writers at work now.
int busyPasteWriters();
