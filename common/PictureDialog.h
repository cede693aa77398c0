#pragma once

class QString;

// Asks where to save a picture, in a modal file dialog of its own (no parent) with the given
// caption, start folder and name filter. A name typed without a suffix gets ".png", so the file is
// written as a PNG instead of failing for want of a format; also in a folder whose name has a dot,
// which the dialog by itself takes for the name's suffix. Returns the null string when the user
// cancels.
QString askSavePictureName(const QString &caption, const QString &directory, const QString &filter);
