#pragma once

#include "platform/InstanceRequest.h"

#include <QString>
#include <QStringList>

#include <optional>

// What the command line asks for. Exactly one of: a text to print and an exit status (help,
// version, a usage error), a one-shot capture into a file, the text of a picture file, or a run with an optional action
// that a running instance performs in its place.
struct CommandLine
{
    // Help, version, or a usage error: print `text` (to stderr when the status is not 0) and end.
    bool endsAtOnce = false;
    int exitStatus = 0;
    QString text;

    // --full -o FILE or --window -o FILE: grab once into this file, absolute, after
    // `outputDelayMs`; of the focused window alone with `outputWindow`. Nothing else runs.
    QString outputFile;
    bool outputWindow = false;
    int outputDelayMs = 0;
    // --ocr FILE: print the text of this picture, absolute; nothing else runs.
    QString textFile;
    // The action asked for; none for a plain start (a running instance then shows its panel).
    std::optional<InstanceRequest> request;
};

// The exit status of a usage error, as command-line tools use it.
inline constexpr int usageErrorStatus = 2;

// Reads the arguments (the program's name first), without needing an application object.
// Relative file names are made absolute against the current folder.
CommandLine parseCommandLine(const QStringList &arguments);
