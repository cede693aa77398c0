#pragma once

#include "platform/WindowList.h"

// The top-level windows Windows shows, from EnumWindows (top first), with the frames the
// desktop window manager draws (without the invisible resize borders of Windows 10 and later).
class WindowsWindowList : public WindowList
{
public:
    QVector<WindowFrame> windows() override;
    std::optional<WindowFrame> activeWindow() override;
};
