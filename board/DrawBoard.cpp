#include "DrawBoard.h"

DrawBoard::DrawBoard(QWidget *parent)
    : QMainWindow(parent)
{
    resize(400, 300);
}
