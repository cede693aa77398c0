#include "FreedomCut.h"

FreedomCut::FreedomCut(QWidget *parent)
    : QWidget(parent)
{
}
