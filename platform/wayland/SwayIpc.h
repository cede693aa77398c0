#pragma once

#include <QByteArray>

class QString;

// The messages of sway's IPC (i3's) that the program sends.
enum class SwayMessage : quint32 {
    RunCommand = 0,
    GetTree = 4,
};

// `message` with `payload` asked on sway's socket and the payload of its answer, within
// `timeoutMs`; empty when sway does not answer in time or answers something else.
QByteArray swayReply(const QString &socketPath, SwayMessage message, const QByteArray &payload, int timeoutMs);
