#pragma once

#include <QMainWindow>

// Placeholder until the drawing board lands.
class DrawBoard : public QMainWindow
{
    Q_OBJECT

public:
    explicit DrawBoard(QWidget *parent = nullptr);
};
