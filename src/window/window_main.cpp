// The window face's start: its options, the simulated analyzer of --demo and
// the window, wired from the configuration. Built as the module the iec1000
// executable loads only when the window is to start, so that a command never
// loads Qt Widgets.

#include "window_main.h"

#include "command_names.h"
#include "configuration_options.h"
#include "display_probe.h"
#include "exit_codes.h"
#include "store_name.h"
#include "window_assembly.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QStyleFactory>

#include <cstdio>
#include <memory>
#include <optional>

namespace {

// Starts the analyzer simulator that sits beside this executable and points
// Com 1 of `devices` at its device. The simulator ends with the tool.
std::unique_ptr<QProcess> startSimulator(const QString& scenario, ComDevices* devices,
                                         QString* error)
{
    const QString program = QDir(QCoreApplication::applicationDirPath()).filePath("zento-sim");
    if (!QFileInfo(program).isExecutable()) {
        *error =
            QStringLiteral("The simulated analyzer %1 is missing; build it first.").arg(program);
        return nullptr;
    }
    // Its scenarios, one a line: the name, a tab, what it does.
    QProcess list;
    list.start(program, {QStringLiteral("--list-scenarios")});
    QStringList scenarios;
    if (list.waitForFinished(5000) && list.exitCode() == 0) {
        for (const QByteArray& line : list.readAllStandardOutput().split('\n'))
            if (!line.isEmpty())
                scenarios << QString::fromLocal8Bit(line.split('\t').first());
    }
    if (!scenarios.isEmpty() && !scenarios.contains(scenario)) {
        *error = QStringLiteral("The simulated analyzer has no scenario \"%1\". Its scenarios "
                                "are: %2.")
                     .arg(scenario, scenarios.join(QStringLiteral(", ")));
        return nullptr;
    }
    auto simulator = std::make_unique<QProcess>();
    simulator->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    simulator->start(
        program, {QStringLiteral("--scenario"), scenario, QStringLiteral("--exit-on-stdin-eof")});
    if (!simulator->waitForStarted(5000)) {
        *error = QStringLiteral("The simulated analyzer could not be started: %1")
                     .arg(simulator->errorString());
        return nullptr;
    }
    while (!simulator->canReadLine()) {
        if (!simulator->waitForReadyRead(5000)) {
            *error = QStringLiteral("The simulated analyzer did not name its device.");
            return nullptr;
        }
    }
    const QString device = QString::fromLocal8Bit(simulator->readLine()).trimmed();
    devices->setDevice(1, device);
    devices->setSimulated(1);
    std::fprintf(stderr, "iec1000: simulated analyzer (%s) on %s as Com 1\n", qPrintable(scenario),
                 qPrintable(device));
    return simulator;
}

// Why the window has nowhere to go (empty: no display named; otherwise the
// start of a sentence), or nothing when it has somewhere: an X or Wayland
// display, or a platform the user chose (-platform, QT_QPA_PLATFORM:
// offscreen, vnc, ...), which Qt then tries. An X display that does not
// answer is found here: Qt would print five lines and abort.
std::optional<QString> noDisplay(const QCommandLineParser& parser)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    const QString platform = parser.isSet(QStringLiteral("platform"))
                                 ? parser.value(QStringLiteral("platform"))
                                 : qEnvironmentVariable("QT_QPA_PLATFORM");
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    // Qt's X platform: chosen by name ("xcb", "xcb:option"), or its default
    // without a Wayland display.
    const bool x = platform.isEmpty() ? !wayland
                                      : platform == QLatin1String("xcb") ||
                                            platform.startsWith(QLatin1String("xcb:"));
    if (!x)
        return std::nullopt;
    const QString display = parser.isSet(QStringLiteral("display"))
                                ? parser.value(QStringLiteral("display"))
                                : qEnvironmentVariable("DISPLAY");
    if (display.isEmpty())
        return QString();
    if (!xDisplayAnswers(display))
        return QStringLiteral("the display \"%1\" does not answer; ").arg(display);
#else
    Q_UNUSED(parser);
#endif
    return std::nullopt;
}

// The window's options, read before the window toolkit starts, so that
// --help and a wrong option need no display.
struct WindowOptions
{
    bool demo = false;
    QString scenario;
    // What the environment named, with --com1 to --com4 and --db in place.
    Configuration configuration;
};

// Nothing when the window is to start; otherwise the exit code.
std::optional<int> readWindowOptions(int argc, char* argv[], WindowOptions* options)
{
    QCoreApplication probe(argc, argv);
    QCommandLineParser parser;
    QString commandList;
    for (const CommandSummary& command : commands())
        commandList +=
            QStringLiteral("  %1 %2\n").arg(command.name.leftJustified(9), command.summary);
    parser.setApplicationDescription(
        QStringLiteral(
            "Pre-compliance test of harmonic currents (IEC 1000-3-2) with a Zento power "
            "analyzer. Without a command the window starts.\n\n"
            "Commands (each takes --help):\n%1"
            "  --version print the version\n\n"
            "Exit codes: 0 Pass, 1 Fail, 2 no verdict, 3 the port could not be opened or "
            "the line failed, 4 the record store or a file failed, 64 usage error.\n"
            "Environment: IEC1000_COM1 to IEC1000_COM4 (the device behind each Com "
            "option), IEC1000_DB (the record store).")
            .arg(commandList));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption demo(QStringLiteral("demo"),
                                  QStringLiteral("Put Com 1 on the built-in simulated analyzer."));
    const QCommandLineOption scenario(
        QStringLiteral("scenario"),
        QStringLiteral("With --demo: how the simulated analyzer behaves (pass, fail, ...)."),
        QStringLiteral("name"), QStringLiteral("pass"));
    parser.addOption(demo);
    parser.addOption(scenario);
    addDbOption(parser);
    addComOptions(parser);
    // The window toolkit's own options (-platform offscreen, ...) pass through.
    for (const char* toolkitOption : {"platform", "style", "display", "qwindowgeometry"}) {
        QCommandLineOption option(QLatin1String(toolkitOption), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("One of the commands above (each with --help); "
                                                "--version prints the version."),
                                 QStringLiteral("[command]"));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "iec1000: %s\nTry 'iec1000 --help'.\n",
                     qPrintable(parseErrorText(parser, QCoreApplication::arguments())));
        return kUsage;
    }
    if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return kPass;
    }
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "iec1000: %s\nTry 'iec1000 --help'.\n",
                     qPrintable(unknownCommandMessage(parser.positionalArguments().first())));
        return kUsage;
    }
    if (parser.isSet(scenario) && !parser.isSet(demo)) {
        std::fputs("iec1000: --scenario chooses how the simulated analyzer behaves and needs "
                   "--demo.\nTry 'iec1000 --help'.\n",
                   stderr);
        return kUsage;
    }
    if (const std::optional<QString> why = noDisplay(parser)) {
        std::fprintf(stderr,
                     "iec1000: no display: %sset DISPLAY, or use a command such as 'iec1000 "
                     "measure'; see --help\n",
                     qPrintable(*why));
        return kUsage;
    }
    options->configuration = configured(parser, options->configuration);
    options->demo = parser.isSet(demo);
    options->scenario = parser.value(scenario);
    return std::nullopt;
}

} // namespace

extern "C" int iec1000RunWindow(int argc, char* argv[], const Configuration* fromEnvironment)
{
    WindowOptions options;
    options.configuration = *fromEnvironment;
    if (const std::optional<int> code = readWindowOptions(argc, argv, &options))
        return *code;
    if (const QString warning = passwordInNameWarning(options.configuration.storeName);
        !warning.isEmpty())
        std::fprintf(stderr, "iec1000: warning: %s\n", qPrintable(warning));

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZentoIEC"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    std::unique_ptr<QProcess> simulator;
    if (options.demo) {
        QString error;
        simulator = startSimulator(options.scenario, &options.configuration.devices, &error);
        if (!simulator) {
            std::fprintf(stderr, "iec1000: %s\n", qPrintable(error));
            QMessageBox::critical(nullptr, QStringLiteral("ZentoIEC"), error);
            return 1;
        }
    }

    int status = 0;
    {
        WindowAssembly<> tool(options.configuration);
        tool.window.show();
        status = app.exec();
    }
    if (simulator) {
        // The simulator ends when its standard input closes.
        simulator->closeWriteChannel();
        if (!simulator->waitForFinished(2000))
            simulator->kill();
        simulator->waitForFinished(1000);
    }
    return status;
}
