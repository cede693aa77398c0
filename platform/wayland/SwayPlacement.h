#pragma once

#include <QString>

#include <functional>
#include <optional>

class QJsonObject;
class QPoint;
class QWidget;

// The container sway's layout tree holds the window of process `pid` titled `title` in; none
// while sway has not mapped such a window.
std::optional<qint64> swayWindowId(const QJsonObject &tree, qint64 pid, const QString &title);

// The command that floats container `id` without a border with its top-left at `logicalTopLeft`
// of sway's layout.
QString swayPlacementCommand(qint64 id, const QPoint &logicalTopLeft);

// Has sway float the top-level `window` (its title telling it from the program's others) at
// `logicalTopLeft`, without a border. sway maps a window a moment after it is shown, so it is
// looked for a few times a second until it turns up (for at most 2 s); each look waits at most
// 500 ms for sway. `placed` is called after the request, or when the window never turned up.
void placeOnSway(QWidget *window, const QPoint &logicalTopLeft, const QString &socketPath,
                 const std::function<void()> &placed);
