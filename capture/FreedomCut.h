#pragma once

#include <QWidget>

// Placeholder until the region overlay lands.
class FreedomCut : public QWidget
{
    Q_OBJECT

public:
    explicit FreedomCut(QWidget *parent);
};
