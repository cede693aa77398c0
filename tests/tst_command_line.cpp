#include "app/CommandLine.h"

#include <QDir>
#include <QTest>

Q_DECLARE_METATYPE(InstanceRequest::Verb)

// The command line as a user or a script types it: what it asks for, and the status of what it
// refuses.
class CommandLineTest : public QObject
{
    Q_OBJECT

private slots:
    void readsActions_data();
    void readsActions();
    void readsCaptureShapes_data();
    void readsCaptureShapes();
    void refusesWithStatusTwo_data();
    void refusesWithStatusTwo();
    void helpAndVersionEndWithZero();
};

namespace {

CommandLine parse(const QStringList &arguments)
{
    return parseCommandLine(QStringList{QStringLiteral("tavo-screenshot")} + arguments);
}

} // namespace

void CommandLineTest::readsActions_data()
{
    using Verb = InstanceRequest::Verb;
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("hasRequest");
    QTest::addColumn<Verb>("verb");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("output");

    const QString here = QDir::currentPath();
    // An absolute name stays as it is; on Windows it gains the current drive.
    const QString absolute = QDir::cleanPath(QDir::current().absoluteFilePath(QStringLiteral("/tmp")));
    QTest::newRow("plain start") << QStringList{} << false << Verb::Show << "" << "";
    QTest::newRow("full") << QStringList{"--full"} << true << Verb::Full << "" << "";
    QTest::newRow("save") << QStringList{"--save"} << true << Verb::Save << "" << "";
    QTest::newRow("region") << QStringList{"--region"} << true << Verb::Region << "" << "";
    QTest::newRow("show") << QStringList{"--show"} << true << Verb::Show << "" << "";
    QTest::newRow("quit") << QStringList{"--quit"} << true << Verb::Quit << "" << "";
    QTest::newRow("blank board") << QStringList{"--board"} << true << Verb::Board << "" << "";
    QTest::newRow("board, relative file") << QStringList{"--board", "a b.png"} << true << Verb::Board
                                          << here + "/a b.png" << "";
    QTest::newRow("file before option") << QStringList{"/tmp/x.png", "--board"} << true << Verb::Board
                                        << absolute + "/x.png" << "";
    QTest::newRow("pin, relative file") << QStringList{"--pin", "a b.png"} << true << Verb::Pin
                                        << here + "/a b.png" << "";
    QTest::newRow("pin the clipboard") << QStringList{"--pin", "-"} << true << Verb::Pin << "-" << "";
    QTest::newRow("one-shot") << QStringList{"--full", "-o", "shot.png"} << false << Verb::Show << ""
                              << here + "/shot.png";
    QTest::newRow("one-shot, long form") << QStringList{"--output=/tmp/s", "--full"} << false << Verb::Show
                                         << "" << absolute + "/s";
}

void CommandLineTest::readsActions()
{
    using Verb = InstanceRequest::Verb;
    QFETCH(QStringList, arguments);
    QFETCH(bool, hasRequest);
    QFETCH(Verb, verb);
    QFETCH(QString, file);
    QFETCH(QString, output);

    const CommandLine command = parse(arguments);
    QVERIFY2(!command.endsAtOnce, qPrintable(command.text));
    QCOMPARE(command.request.has_value(), hasRequest);
    if (hasRequest) {
        QCOMPARE(command.request->verb, verb);
        QCOMPARE(command.request->file, file);
    }
    QCOMPARE(command.outputFile, output);
}

void CommandLineTest::readsCaptureShapes_data()
{
    using Verb = InstanceRequest::Verb;
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<Verb>("verb");  // Show: no request, a one-shot capture
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<bool>("last");
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("outputWindow");

    const QString here = QDir::currentPath();
    QTest::newRow("window") << QStringList{"--window"} << Verb::Window << 0 << false << "" << false;
    QTest::newRow("delayed region") << QStringList{"--delay", "3", "--region"} << Verb::Region << 3000 << false
                                    << "" << false;
    QTest::newRow("shortest delay") << QStringList{"--full", "--delay=0.1"} << Verb::Full << 100 << false << ""
                                    << false;
    QTest::newRow("longest delay, window") << QStringList{"--window", "--delay", "60"} << Verb::Window << 60000
                                           << false << "" << false;
    QTest::newRow("last region") << QStringList{"--region", "--last"} << Verb::Region << 0 << true << "" << false;
    QTest::newRow("last region into a file") << QStringList{"--region", "--last", "-o", "r.png"} << Verb::Region
                                             << 0 << true << here + "/r.png" << false;
    QTest::newRow("one-shot, delayed") << QStringList{"--delay", "2", "--full", "-o", "f.png"} << Verb::Show
                                       << 2000 << false << here + "/f.png" << false;
    QTest::newRow("one-shot window") << QStringList{"--window", "-o", "w.png"} << Verb::Show << 0 << false
                                     << here + "/w.png" << true;
}

void CommandLineTest::readsCaptureShapes()
{
    using Verb = InstanceRequest::Verb;
    QFETCH(QStringList, arguments);
    QFETCH(Verb, verb);
    QFETCH(int, delayMs);
    QFETCH(bool, last);
    QFETCH(QString, file);
    QFETCH(bool, outputWindow);

    const CommandLine command = parse(arguments);
    QVERIFY2(!command.endsAtOnce, qPrintable(command.text));
    if (verb == Verb::Show) {
        QVERIFY(!command.request);
        QCOMPARE(command.outputFile, file);
        QCOMPARE(command.outputWindow, outputWindow);
        QCOMPARE(command.outputDelayMs, delayMs);
        return;
    }
    QVERIFY(command.request);
    QVERIFY(command.outputFile.isEmpty());
    QCOMPARE(command.request->verb, verb);
    QCOMPARE(command.request->delayMs, delayMs);
    QCOMPARE(command.request->last, last);
    QCOMPARE(command.request->file, file);
}

void CommandLineTest::refusesWithStatusTwo_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("unknown option") << QStringList{"--fulll"};
    QTest::newRow("missing FILE after -o") << QStringList{"--full", "-o"};
    QTest::newRow("empty FILE after -o") << QStringList{"--full", "-o", ""};
    QTest::newRow("-o without --full") << QStringList{"--region", "-o", "x.png"};
    QTest::newRow("-o alone") << QStringList{"-o", "x.png"};
    QTest::newRow("two actions") << QStringList{"--full", "--quit"};
    QTest::newRow("file without --board") << QStringList{"--show", "x.png"};
    QTest::newRow("two files") << QStringList{"--board", "a.png", "b.png"};
    QTest::newRow("pin without FILE") << QStringList{"--pin"};
    QTest::newRow("pin with an empty FILE") << QStringList{"--pin", ""};
    QTest::newRow("pin and another action") << QStringList{"--pin", "x.png", "--board"};
    QTest::newRow("pin and a second file") << QStringList{"--pin", "x.png", "y.png"};
    QTest::newRow("--ocr without FILE") << QStringList{"--ocr"};
    QTest::newRow("--ocr with an action") << QStringList{"--ocr", "a.png", "--region"};
    QTest::newRow("--ocr with two files") << QStringList{"--ocr", "a.png", "b.png"};
    QTest::newRow("delay too short") << QStringList{"--delay", "0.05", "--full"};
    QTest::newRow("delay too long") << QStringList{"--delay", "60.1", "--region"};
    QTest::newRow("delay not a number") << QStringList{"--delay", "3s", "--region"};
    QTest::newRow("delay without a capture") << QStringList{"--delay", "3"};
    QTest::newRow("delay of a board") << QStringList{"--delay", "3", "--board"};
    QTest::newRow("last without --region") << QStringList{"--full", "--last"};
    QTest::newRow("window and full") << QStringList{"--window", "--full"};
}

void CommandLineTest::refusesWithStatusTwo()
{
    QFETCH(QStringList, arguments);
    const CommandLine command = parse(arguments);
    QVERIFY(command.endsAtOnce);
    QCOMPARE(command.exitStatus, 2);
    // One line, naming the program.
    QVERIFY(command.text.startsWith(QLatin1String("tavo-screenshot: ")));
    QCOMPARE(command.text.count(QLatin1Char('\n')), 1);
    QVERIFY(command.text.endsWith(QLatin1Char('\n')));
}

void CommandLineTest::helpAndVersionEndWithZero()
{
    const CommandLine help = parse({QStringLiteral("--help")});
    QVERIFY(help.endsAtOnce);
    QCOMPARE(help.exitStatus, 0);
    for (const char *option : {"--full", "--save", "--region", "--board", "--show", "--quit", "--output", "--ocr",
                               "--window", "--last", "--delay"})
        QVERIFY2(help.text.contains(QLatin1String(option)), option);

    const CommandLine version = parse({QStringLiteral("-v")});
    QVERIFY(version.endsAtOnce);
    QCOMPARE(version.exitStatus, 0);
    QVERIFY(version.text.startsWith(QLatin1String("tavo-screenshot 1.")));
}

QTEST_GUILESS_MAIN(CommandLineTest)
#include "tst_command_line.moc"
