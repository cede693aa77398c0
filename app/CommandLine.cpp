#include "CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include <array>
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

constexpr std::array<ActionOption, 6> actionOptions{{
    {"full", Verb::Full, "Capture the whole desktop onto the clipboard (Ctrl+Alt+X)."},
    {"save", Verb::Save, "Save the last full-screen capture to a file chosen in a dialog (Ctrl+Alt+S)."},
    {"region", Verb::Region, "Capture a region chosen on a frozen picture of the desktop (Ctrl+Alt+F)."},
    {"board", Verb::Board, "Open a drawing board (Ctrl+Alt+O), with FILE in it when given."},
    {"show", Verb::Show, "Show the panel."},
    {"quit", Verb::Quit, "End the running instance."},
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
               "which prints the text\nof the picture FILE in UTF-8.\n");
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
            return usageError(QStringLiteral("give only one of --full, --save, --region, --board, --pin, --show, --quit"));
        result.request = InstanceRequest{actionOptions[i].verb, QString()};
    }
    if (parser.isSet(pin)) {
        if (result.request)
            return usageError(QStringLiteral("give only one of --full, --save, --region, --board, --pin, --show, --quit"));
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
    if (parser.isSet(output)) {
        if (!result.request || result.request->verb != Verb::Full)
            return usageError(QStringLiteral("-o/--output goes with --full only"));
        const QString file = parser.value(output);
        if (file.isEmpty())
            return usageError(QStringLiteral("missing FILE after -o/--output"));
        result.outputFile = QFileInfo(file).absoluteFilePath();
        result.request.reset();
    }
    return result;
}
