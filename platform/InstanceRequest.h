#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// What a later start asks of the running instance: one of the program's actions, and for a board
// the picture to open in it, for a pin the picture to pin; for a capture how long to wait first,
// and for a region whether to start from the last one. This is all the instance channel carries.
struct InstanceRequest
{
    enum class Verb { Show, Full, Save, Region, Board, Quit, Pin, Window };

    Verb verb = Verb::Show;
    // With Board: an absolute path, or empty for a blank board. With Pin: an absolute path, or
    // clipboardPinSource for the clipboard's picture. With Region and `last`: the absolute path
    // the last region of a fresh capture is written to, or empty to open the overlay.
    QString file;
    // With Full, Region or Window: milliseconds to wait before the capture (0, or within
    // minDelayMs..maxDelayMs).
    int delayMs = 0;
    // With Region: start from the region taken last.
    bool last = false;

    bool operator==(const InstanceRequest &other) const
    {
        return verb == other.verb && file == other.file && delayMs == other.delayMs && last == other.last;
    }
};

inline constexpr int minDelayMs = 100;
inline constexpr int maxDelayMs = 60000;

// Whether `verb` is a capture that may wait first.
inline bool mayBeDelayed(InstanceRequest::Verb verb)
{
    return verb == InstanceRequest::Verb::Full || verb == InstanceRequest::Verb::Region
           || verb == InstanceRequest::Verb::Window;
}

// What a Pin request carries in place of a path to pin the clipboard's picture.
inline const QString clipboardPinSource = QStringLiteral("-");

// The longest line the channel accepts, with room for any path the system allows.
inline constexpr int maxRequestBytes = 16 * 1024;

// The request as one line on the channel: the verb's name; "last" for a region from the last one;
// "delay=MS" for a waiting capture; for a board with a picture, a pin or a last region into a
// file the percent-encoded path (or "-"); separated by spaces, then a line feed.
QByteArray encodeRequest(const InstanceRequest &request);
// The request one line holds (with or without its line feed); nothing when the line is anything
// but a request encodeRequest() could have written: another verb, a relative path, stray bytes.
std::optional<InstanceRequest> decodeRequest(QByteArray line);
