#pragma once

#include <QString>

#include <memory>

class QImage;

// The lines an engine reads best: the height of their ink and the ground left around it, in pixels.
struct LineShape
{
    int textHeight = 32;
    int margin = 12;
};

// Reads the text of one prepared line: dark text on a light ground, one line high, shaped as the
// engine asks. One object is used by one thread at a time; recognition keeps one per worker.
class TextEngine
{
public:
    virtual ~TextEngine() = default;

    // Empty when the engine can read; otherwise why not, naming the Debian package to install.
    virtual QString unavailableReason() const = 0;
    // How the lines it is given should be prepared (measured by bench/ocr-accuracy).
    virtual LineShape lineShape() const = 0;
    // The line as the engine reads it, untouched.
    virtual QString readLine(const QImage &line) = 0;
};

// The best engine this build has; one that only says why it cannot read where the build has none.
std::unique_ptr<TextEngine> makeTextEngine();
