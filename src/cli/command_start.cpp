#include "command_line.h"

#include "command_console.h"
#include "commands.h"
#include "configuration_options.h"
#include "version.h"

#include <csignal>

// How a command starts, apart from run() so that judging a reply file or
// printing the version links none of the other commands.
namespace cli {

bool wanted(const QStringList& arguments)
{
    if (arguments.size() < 2)
        return false;
    return isCommand(arguments.at(1)) || arguments.contains(QStringLiteral("--version"));
}

qsizetype commandPosition(const QStringList& arguments)
{
    for (qsizetype n = 1; n < arguments.size(); ++n) {
        const QString& argument = arguments.at(n);
        if (isCommand(argument))
            return n;
        if (!isConfigurationOption(argument))
            break;
        if (!argument.contains(QLatin1Char('=')))
            ++n; // its value
    }
    return 0;
}

void ignoreClosedPipes()
{
#ifdef Q_OS_UNIX
    std::signal(SIGPIPE, SIG_IGN);
#endif
}

QStringList commandArguments(const QStringList& arguments)
{
    ignoreClosedPipes();
    QStringList rest = arguments;
    const QString command = rest.takeAt(1);
    setCommand(command);
    rest[0] = arguments.at(0) + QLatin1Char(' ') + command;
    return rest;
}

std::optional<int> printedVersion(const QStringList& arguments)
{
    if (!arguments.contains(QStringLiteral("--version")) ||
        (arguments.size() > 1 && isCommand(arguments.at(1))))
        return std::nullopt;
    ignoreClosedPipes();
    out(QStringLiteral("iec1000 %1 (Qt %2)\n")
            .arg(QLatin1String(kToolVersion), QLatin1String(qVersion())));
    return kPass;
}

std::optional<int> evaluateReplyFile(const QStringList& arguments,
                                     const Configuration& configuration)
{
    if (arguments.size() < 2 || arguments.at(1) != QLatin1String("evaluate"))
        return std::nullopt;
    return evaluate(commandArguments(arguments), configuration, nullptr);
}

} // namespace cli
