#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// What a later start asks of the running instance: one of the program's actions, and for a board
// the picture to open in it, for a pin the picture to pin. This is all the instance channel carries.
struct InstanceRequest
{
    enum class Verb { Show, Full, Save, Region, Board, Quit, Pin };

    Verb verb = Verb::Show;
    // With Board: an absolute path, or empty for a blank board. With Pin: an absolute path, or
    // clipboardPinSource for the clipboard's picture.
    QString file;

    bool operator==(const InstanceRequest &other) const
    {
        return verb == other.verb && file == other.file;
    }
};

// What a Pin request carries in place of a path to pin the clipboard's picture.
inline const QString clipboardPinSource = QStringLiteral("-");

// The longest line the channel accepts, with room for any path the system allows.
inline constexpr int maxRequestBytes = 16 * 1024;

// The request as one line on the channel: the verb's name, for a board with a picture or a pin a
// space and the percent-encoded path (or "-"), then a line feed.
QByteArray encodeRequest(const InstanceRequest &request);
// The request one line holds (with or without its line feed); nothing when the line is anything
// but a request encodeRequest() could have written: another verb, a relative path, stray bytes.
std::optional<InstanceRequest> decodeRequest(QByteArray line);
