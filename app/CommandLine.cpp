#include "CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include <array>
#include <cmath>
#include <memory>
#include <vector>
#include <utility>

namespace {

constexpr char programName[] = "tavo-screenshot";

using Verb = InstanceRequest::Verb;

struct ActionOption
{
    const char *name;
    Verb verb;
    const char *description;
};

constexpr std::array<ActionOption, 7> actionOptions{{
    {"full", Verb::Full, "Capture the whole desktop onto the clipboard (Ctrl+Alt+X)."},
    {"save", Verb::Save, "Save the last full-screen capture to a file chosen in a dialog (Ctrl+Alt+S)."},
    {"region", Verb::Region, "Capture a region chosen on a frozen picture of the desktop (Ctrl+Alt+F)."},
    {"board", Verb::Board, "Open a drawing board (Ctrl+Alt+O), with FILE in it when given."},
    {"show", Verb::Show, "Show the panel."},
    {"quit", Verb::Quit, "End the running instance."},
    {"window", Verb::Window, "Capture the window that has the focus onto the clipboard."},
}};

CommandLine endWith(int status, const QString &text)
{
    CommandLine result;
    result.endsAtOnce = true;
    result.exitStatus = status;
    result.text = text;
    return result;
}

CommandLine usageError(const QString &reason)
{
    return endWith(usageErrorStatus, QStringLiteral("%1: %2 (see --help)\n").arg(QLatin1String(programName), reason));
}

QString helpText(const QCommandLineParser &parser)
{
    // The parser takes the program's name from the application object; there is none yet.
    static int argc = 1;
    static char name[] = "tavo-screenshot";
    static char *argv[] = {name, nullptr};
    std::unique_ptr<QCoreApplication> nameGiver;
    if (!QCoreApplication::instance())
        nameGiver = std::make_unique<QCoreApplication>(argc, argv);
    return parser.helpText() + QStringLiteral(
               "\nWithout an option the program starts and stays in the tray; when it runs already "
               "for this user\nand display, its panel is shown. An action is handed to the running "
               "instance, or performed\nby a new one. --full -o FILE writes one capture to FILE "
               "(PNG unless the suffix names\nanother format) and ends, with no instance; so does --ocr FILE, "
               "which prints the text\nof the picture FILE in UTF-8. --window -o FILE writes the focused "
               "window the same way.\n--region --last -o FILE is handed to the running instance, which "
               "alone keeps the last\nregion; without one it fails with status 1.\n");
}

// --last and --delay, which shape a capture; the reason when they go with none that they fit.
std::optional<QString> readCaptureOptions(const QCommandLineParser &parser, const QCommandLineOption &last,
                                          const QCommandLineOption &delay, CommandLine &result)
{
    if (parser.isSet(last)) {
        if (!result.request || result.request->verb != Verb::Region)
            return QStringLiteral("--last goes with --region only");
        result.request->last = true;
    }
    if (parser.isSet(delay)) {
        if (!result.request || !mayBeDelayed(result.request->verb))
            return QStringLiteral("--delay goes with --full, --region or --window only");
        bool number = false;
        const double seconds = parser.value(delay).toDouble(&number);
        const long ms = number ? std::lround(seconds * 1000) : 0;
        if (!number || ms < minDelayMs || ms > maxDelayMs)
            return QStringLiteral("--delay takes SECONDS from 0.1 to 60");
        result.request->delayMs = int(ms);
    }
    return std::nullopt;
}

// -o FILE: a one-shot capture of the whole desktop or the focused window, or the last region
// written by the running instance.
CommandLine readOutput(const QString &file, CommandLine result)
{
    const Verb verb = result.request ? result.request->verb : Verb::Show;
    const bool lastRegion = verb == Verb::Region && result.request->last;
    if (verb != Verb::Full && verb != Verb::Window && !lastRegion)
        return usageError(QStringLiteral("-o/--output goes with --full, --window or --region --last only"));
    if (file.isEmpty())
        return usageError(QStringLiteral("missing FILE after -o/--output"));
    const QString absolute = QFileInfo(file).absoluteFilePath();
    if (lastRegion) {
        result.request->file = absolute;
        return result;
    }
    result.outputFile = absolute;
    result.outputWindow = verb == Verb::Window;
    result.outputDelayMs = result.request->delayMs;
    result.request.reset();
    return result;
}

} // namespace

CommandLine parseCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("TAVO截图: a tray-resident screenshot tool."));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version and exit."));
    const QCommandLineOption output(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("With --full: write the capture to FILE and exit."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption ocr(QStringLiteral("ocr"),
                                 QStringLiteral("Print the text read from the picture FILE and exit."),
                                 QStringLiteral("FILE"));
    parser.addOption(help);
    parser.addOption(version);
    std::vector<QCommandLineOption> actions;
    for (const ActionOption &action : actionOptions) {
        actions.emplace_back(QString::fromLatin1(action.name), QString::fromLatin1(action.description));
        parser.addOption(actions.back());
    }
    parser.addOption(output);
    const QCommandLineOption pin(QStringLiteral("pin"),
                                 QStringLiteral("Pin the picture in FILE on the screen, kept above other windows; "
                                                "'-' pins the clipboard's picture."),
                                 QStringLiteral("FILE"));
    parser.addOption(pin);
    const QCommandLineOption last(QStringLiteral("last"),
                                  QStringLiteral("With --region: start from the region taken last by the running instance."));
    parser.addOption(last);
    const QCommandLineOption delay(QStringLiteral("delay"),
                                   QStringLiteral("With --full, --region or --window: wait SECONDS (0.1 to 60) first."),
                                   QStringLiteral("SECONDS"));
    parser.addOption(delay);
    parser.addOption(ocr);
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The picture to open, with --board."),
                                 QStringLiteral("[FILE]"));

    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(help))
        return endWith(0, helpText(parser));
    if (parser.isSet(version))
        return endWith(0, QStringLiteral("%1 %2\n").arg(QLatin1String(programName), QStringLiteral(TAVO_VERSION)));

    CommandLine result;
    if (parser.isSet(ocr)) {
        const QString file = parser.value(ocr);
        if (file.isEmpty())
            return usageError(QStringLiteral("missing FILE after --ocr"));
        if (!parser.positionalArguments().isEmpty() || parser.isSet(output))
            return usageError(QStringLiteral("--ocr takes one FILE and nothing else"));
        for (const QCommandLineOption &action : actions)
            if (parser.isSet(action))
                return usageError(QStringLiteral("--ocr goes with no other action"));
        result.textFile = QFileInfo(file).absoluteFilePath();
        return result;
    }
    for (std::size_t i = 0; i < actions.size(); ++i) {
        if (!parser.isSet(actions[i]))
            continue;
        if (result.request)
            return usageError(QStringLiteral("give only one of --full, --save, --region, --window, --board, --pin, --show, --quit"));
        result.request = InstanceRequest{actionOptions[i].verb, QString()};
    }
    if (parser.isSet(pin)) {
        if (result.request)
            return usageError(QStringLiteral("give only one of --full, --save, --region, --window, --board, --pin, --show, --quit"));
        const QString source = parser.value(pin);
        if (source.isEmpty())
            return usageError(QStringLiteral("missing FILE after --pin"));
        result.request = InstanceRequest{Verb::Pin, source == clipboardPinSource ? source : QFileInfo(source).absoluteFilePath()};
    }
    const QStringList files = parser.positionalArguments();
    const bool board = result.request && result.request->verb == Verb::Board;
    if (files.size() > (board ? 1 : 0))
        return usageError(QStringLiteral("unexpected argument '%1'").arg(files.value(board ? 1 : 0)));
    if (board && !files.isEmpty()) {
        if (files.first().isEmpty())
            return usageError(QStringLiteral("missing FILE after --board"));
        result.request->file = QFileInfo(files.first()).absoluteFilePath();
    }
    if (const std::optional<QString> refused = readCaptureOptions(parser, last, delay, result))
        return usageError(*refused);
    if (parser.isSet(output))
        return readOutput(parser.value(output), result);
    return result;
}
