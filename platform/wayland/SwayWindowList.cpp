#include "SwayWindowList.h"

#include "platform/wayland/SwayIpc.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// A compositor that hangs must never freeze a capture: past this the list is empty.
constexpr int answerTimeoutMs = 500;

QRect rectOf(const QJsonValue &value)
{
    const QJsonObject rect = value.toObject();
    return QRect(rect.value(QLatin1String("x")).toInt(), rect.value(QLatin1String("y")).toInt(),
                 rect.value(QLatin1String("width")).toInt(), rect.value(QLatin1String("height")).toInt());
}

bool isWindow(const QJsonObject &node)
{
    // Containers that hold a client carry its process; split containers do not.
    return node.contains(QLatin1String("pid"));
}

// A window's visible frame. `rect` leaves out the title bar; it sits above, a row per window
// where the parent stacks its children's titles.
WindowFrame frameOf(const QJsonObject &node, int titleRows)
{
    QRect area = rectOf(node.value(QLatin1String("rect")));
    const int titleHeight = rectOf(node.value(QLatin1String("deco_rect"))).height();
    area.setTop(area.top() - titleHeight * titleRows);
    return {area, node.value(QLatin1String("name")).toString()};
}

QJsonArray children(const QJsonObject &node, const char *kind)
{
    return node.value(QLatin1String(kind)).toArray();
}

// The visible windows under `node`, top first, into the three layers of a workspace.
struct Layers
{
    QVector<WindowFrame> fullscreen, floating, tiled;
};

void collect(const QJsonObject &node, int titleRows, bool floating, qint64 ownPid, Layers &layers)
{
    if (isWindow(node)) {
        if (!node.value(QLatin1String("visible")).toBool()
            || node.value(QLatin1String("pid")).toVariant().toLongLong() == ownPid)
            return;
        const WindowFrame frame = frameOf(node, titleRows);
        if (node.value(QLatin1String("fullscreen_mode")).toInt() != 0)
            layers.fullscreen.append(frame);
        else
            (floating ? layers.floating : layers.tiled).append(frame);
        return;
    }
    const QJsonArray tiled = children(node, "nodes");
    const int rows = node.value(QLatin1String("layout")).toString() == QLatin1String("stacked") ? tiled.size() : 1;
    // Later floating windows are drawn over earlier ones.
    const QJsonArray floatingNodes = children(node, "floating_nodes");
    for (auto it = floatingNodes.end(); it != floatingNodes.begin();) {
        --it;
        collect(it->toObject(), 1, true, ownPid, layers);
    }
    for (const QJsonValue &child : tiled)
        collect(child.toObject(), rows, floating, ownPid, layers);
}

std::optional<WindowFrame> focused(const QJsonObject &node, int titleRows)
{
    if (isWindow(node) && node.value(QLatin1String("focused")).toBool())
        return frameOf(node, titleRows);
    const QJsonArray tiled = children(node, "nodes");
    const int rows = node.value(QLatin1String("layout")).toString() == QLatin1String("stacked") ? tiled.size() : 1;
    for (const QJsonValue &child : tiled) {
        if (auto found = focused(child.toObject(), rows))
            return found;
    }
    for (const QJsonValue &child : children(node, "floating_nodes")) {
        if (auto found = focused(child.toObject(), 1))
            return found;
    }
    return std::nullopt;
}

} // namespace

SwayWindowList::SwayWindowList(QString socketPath)
    : socketPath(std::move(socketPath))
{
}

QVector<WindowFrame> SwayWindowList::windows()
{
    return swayWindows(tree(), QCoreApplication::applicationPid());
}

std::optional<WindowFrame> SwayWindowList::activeWindow()
{
    return swayFocusedWindow(tree());
}

QJsonObject SwayWindowList::tree()
{
    return QJsonDocument::fromJson(swayTreeReply(socketPath, answerTimeoutMs)).object();
}

QVector<WindowFrame> swayWindows(const QJsonObject &tree, qint64 ownPid)
{
    QVector<WindowFrame> frames;
    for (const QJsonValue &output : children(tree, "nodes")) {
        // sway's own output holds the scratchpad, which is never on the screen.
        if (output.toObject().value(QLatin1String("name")).toString() == QLatin1String("__i3"))
            continue;
        for (const QJsonValue &workspace : children(output.toObject(), "nodes")) {
            Layers layers;
            collect(workspace.toObject(), 1, false, ownPid, layers);
            frames += layers.fullscreen + layers.floating + layers.tiled;
        }
    }
    return frames;
}

std::optional<WindowFrame> swayFocusedWindow(const QJsonObject &tree)
{
    return focused(tree, 1);
}

QByteArray swayTreeReply(const QString &socketPath, int timeoutMs)
{
    return swayReply(socketPath, SwayMessage::GetTree, QByteArray(), timeoutMs);
}
