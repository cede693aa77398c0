#pragma once

#include <QWidget>

class QLabel;

// The usage text: what the program does and which gestures and hot keys drive it. Read-only and
// independent; every request opens a new one.
class Help : public QWidget
{
public:
    Help();
    ~Help() override;

    // The text shown, as rich text.
    static QString text();

private:
    QLabel *helpLabel = nullptr;
};
