#pragma once

#include <QString>

// The program's name as the user sees it: the title of every window and the tray icon's tool tip.
inline QString programTitle()
{
    return QStringLiteral("TAVO截图");
}
