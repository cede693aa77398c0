#include "InstanceRequest.h"

#include <QDir>
#include <QUrl>

#include <array>
#include <utility>

namespace {

using Verb = InstanceRequest::Verb;

constexpr std::array<std::pair<Verb, const char *>, 8> verbNames{{
    {Verb::Show, "show"},
    {Verb::Full, "full"},
    {Verb::Save, "save"},
    {Verb::Region, "region"},
    {Verb::Board, "board"},
    {Verb::Quit, "quit"},
    {Verb::Pin, "pin"},
    {Verb::Window, "window"},
}};

bool carriesFile(const InstanceRequest &request)
{
    return request.verb == Verb::Board || request.verb == Verb::Pin || (request.verb == Verb::Region && request.last);
}

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
    if (request.verb == Verb::Region && request.last)
        line += " last";
    if (mayBeDelayed(request.verb) && request.delayMs > 0)
        line += " delay=" + QByteArray::number(request.delayMs);
    if (carriesFile(request) && !request.file.isEmpty())
        line += ' ' + encodedPath(request.file);
    return line + '\n';
}

std::optional<InstanceRequest> decodeRequest(QByteArray line)
{
    if (line.endsWith('\n'))
        line.chop(1);
    if (line.isEmpty() || line.size() > maxRequestBytes)
        return std::nullopt;
    QList<QByteArray> words = line.split(' ');
    const QByteArray name = words.takeFirst();
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
    if (!words.isEmpty() && words.first() == "last") {
        request.last = true;
        words.removeFirst();
    }
    if (!words.isEmpty() && words.first().startsWith("delay=")) {
        bool number = false;
        request.delayMs = words.takeFirst().mid(6).toInt(&number);
        if (!number || request.delayMs < minDelayMs || request.delayMs > maxDelayMs)
            return std::nullopt;
    }
    if (words.size() > 1)
        return std::nullopt;
    if (!words.isEmpty()) {
        request.file = QUrl::fromPercentEncoding(words.first());
        if (request.file.isEmpty() || !carriesFile(request))
            return std::nullopt;
        if (!isPlainPath(request.file) && !(request.verb == Verb::Pin && request.file == clipboardPinSource))
            return std::nullopt;
    }
    // A pin always says what to pin.
    if (request.verb == Verb::Pin && request.file.isEmpty())
        return std::nullopt;
    // Only what our own encoding writes: this also turns away options on verbs that take none,
    // broken UTF-8, stray spaces and a second argument.
    if (encodeRequest(request) != line + '\n')
        return std::nullopt;
    return request;
}
