#include "SwayPlacement.h"

#include "platform/wayland/SwayIpc.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPoint>
#include <QTimer>
#include <QWidget>

namespace {

constexpr int answerTimeoutMs = 500;
constexpr int lookEveryMs = 50;
constexpr int lookForMs = 2000;

}  // namespace

std::optional<qint64> swayWindowId(const QJsonObject &tree, qint64 pid, const QString &title)
{
    if (tree.value(QLatin1String("pid")).toVariant().toLongLong() == pid
        && tree.value(QLatin1String("name")).toString() == title)
        return tree.value(QLatin1String("id")).toVariant().toLongLong();
    for (const char *kind : {"nodes", "floating_nodes"}) {
        for (const QJsonValue &child : tree.value(QLatin1String(kind)).toArray())
            if (std::optional<qint64> found = swayWindowId(child.toObject(), pid, title))
                return found;
    }
    return std::nullopt;
}

QString swayPlacementCommand(qint64 id, const QPoint &logicalTopLeft)
{
    return QStringLiteral("[con_id=%1] floating enable, border none, move absolute position %2 %3")
        .arg(id)
        .arg(logicalTopLeft.x())
        .arg(logicalTopLeft.y());
}

void placeOnSway(QWidget *window, const QPoint &logicalTopLeft, const QString &socketPath,
                 const std::function<void()> &placed)
{
    // Goes with the window, should it close before sway shows it.
    auto *looks = new QTimer(window);
    const QDeadlineTimer deadline(lookForMs);
    QObject::connect(looks, &QTimer::timeout, window, [=] {
        const QJsonObject tree =
            QJsonDocument::fromJson(swayReply(socketPath, SwayMessage::GetTree, QByteArray(), answerTimeoutMs)).object();
        const std::optional<qint64> id = swayWindowId(tree, QCoreApplication::applicationPid(), window->windowTitle());
        if (id)
            swayReply(socketPath, SwayMessage::RunCommand, swayPlacementCommand(*id, logicalTopLeft).toUtf8(),
                      answerTimeoutMs);
        if (id || deadline.hasExpired()) {
            looks->stop();
            looks->deleteLater();
            placed();
        }
    });
    looks->start(lookEveryMs);
}
