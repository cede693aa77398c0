#pragma once

#include "platform/WindowList.h"

class QByteArray;
class QJsonObject;

// The windows sway shows, from its layout tree (i3's IPC, on $SWAYSOCK). Frames are in the
// compositor's logical layout and include sway's borders and title bars.
class SwayWindowList : public WindowList
{
public:
    explicit SwayWindowList(QString socketPath);

    QVector<WindowFrame> windows() override;
    std::optional<WindowFrame> activeWindow() override;

private:
    QJsonObject tree();

    QString socketPath;
};

// The tree's visible windows, top first (on each output a fullscreen window, then the floating
// ones, the last raised first, then the tiled ones), leaving out those of the process `ownPid`.
QVector<WindowFrame> swayWindows(const QJsonObject &tree, qint64 ownPid);
// The window with the keyboard focus, if the focus is on a window at all.
std::optional<WindowFrame> swayFocusedWindow(const QJsonObject &tree);
// GET_TREE asked on the socket and its answer, within `timeoutMs`; empty when sway does not
// answer in time.
QByteArray swayTreeReply(const QString &socketPath, int timeoutMs);
