#pragma once

#include <QImage>
#include <QRect>
#include <QVector>

#include <cstdint>

// What a compositor hands over of one output: pixels in the output's own buffer layout, which
// the output's transform turns into what the user sees.
struct OutputPicture
{
    QImage pixels;      // as the buffer holds them
    int transform = 0;  // wl_output's transform of the output
    bool yInverted = false;
    QRect logical;      // where the output lies in the layout, in logical pixels
};

// The toolkit's format for a wl_shm format; Format_Invalid for one that is not understood.
QImage::Format imageFormatForShm(uint32_t shmFormat);

// The output's pixels the way the user sees them: turned and mirrored by its transform.
QImage upright(const OutputPicture &output);

// One picture of the whole layout at the largest scale among the outputs, the way the other
// Wayland grabbers give it (see screenPartsScaledTo()); black where no output lies. An output of
// a smaller scale is enlarged to fill its place.
QImage layoutPicture(const QVector<OutputPicture> &outputs);
