#include "InstanceRequest.h"

#include <QDir>
#include <QUrl>

#include <array>
#include <utility>

namespace {

using Verb = InstanceRequest::Verb;

constexpr std::array<std::pair<Verb, const char *>, 7> verbNames{{
    {Verb::Show, "show"},
    {Verb::Full, "full"},
    {Verb::Save, "save"},
    {Verb::Region, "region"},
    {Verb::Board, "board"},
    {Verb::Quit, "quit"},
    {Verb::Pin, "pin"},
}};

// The path stays readable on the wire: only its slashes are left as they are.
QByteArray encodedPath(const QString &path)
{
    return QUrl::toPercentEncoding(path, "/");
}

bool isPlainPath(const QString &path)
{
    for (const QChar c : path)
        if (c.category() == QChar::Other_Control)
            return false;
    return QDir::isAbsolutePath(path);
}

} // namespace

QByteArray encodeRequest(const InstanceRequest &request)
{
    QByteArray line;
    for (const auto &[verb, name] : verbNames)
        if (verb == request.verb)
            line = name;
    if ((request.verb == Verb::Board || request.verb == Verb::Pin) && !request.file.isEmpty())
        line += ' ' + encodedPath(request.file);
    return line + '\n';
}

std::optional<InstanceRequest> decodeRequest(QByteArray line)
{
    if (line.endsWith('\n'))
        line.chop(1);
    if (line.isEmpty() || line.size() > maxRequestBytes)
        return std::nullopt;
    const int space = line.indexOf(' ');
    const QByteArray name = space < 0 ? line : line.left(space);
    InstanceRequest request;
    bool known = false;
    for (const auto &[verb, verbName] : verbNames) {
        if (name == verbName) {
            request.verb = verb;
            known = true;
        }
    }
    if (!known)
        return std::nullopt;
    // A pin always says what to pin.
    if (space < 0)
        return request.verb == Verb::Pin ? std::nullopt : std::optional(request);
    if (request.verb != Verb::Board && request.verb != Verb::Pin)
        return std::nullopt;
    const QByteArray encoded = line.mid(space + 1);
    request.file = QUrl::fromPercentEncoding(encoded);
    // Only what our own encoding writes: this also turns away broken UTF-8, stray spaces and a
    // second argument.
    if (request.file.isEmpty() || encodedPath(request.file) != encoded)
        return std::nullopt;
    if (!isPlainPath(request.file) && !(request.verb == Verb::Pin && request.file == clipboardPinSource))
        return std::nullopt;
    return request;
}
