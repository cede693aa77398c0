#pragma once

#include <QImage>
#include <QWidget>

// What the tests in a headless sway session share.
namespace sway {

// Fills itself with the known pattern, so every pixel of a grab says where it came from. sway
// gives the only tiled window the whole output, without a border.
class PatternWindow : public QWidget
{
protected:
    void paintEvent(QPaintEvent *event) override;
};

// What grim itself sees of the output now; null when grim failed.
QImage grimPicture();

} // namespace sway
