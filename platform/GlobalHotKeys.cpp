#include "GlobalHotKeys.h"

#include <QWidget>

GlobalHotKeys::GlobalHotKeys(QWidget *window)
    : QObject(window)
    , window(window)
{
}

void GlobalHotKeys::grabAll()
{
    release();
    grab();
}

void GlobalHotKeys::releaseAll()
{
    release();
}

void GlobalHotKeys::handleWindowMessage(const QByteArray &, void *)
{
}
