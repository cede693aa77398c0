#pragma once

#include <QWidget>

// Placeholder until the help window lands.
class Help : public QWidget
{
public:
    Help();
};
