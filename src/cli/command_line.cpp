#include "command_line.h"

#include "commands.h"
#include "options.h"
#include "report_format.h"
#include "version.h"

#include <QRegularExpression>

#include <csignal>

namespace cli {

bool wanted(const QStringList& arguments)
{
    if (arguments.size() < 2)
        return false;
    return isCommand(arguments.at(1)) || arguments.contains(QStringLiteral("--version"));
}

bool needsGui(const QStringList& arguments)
{
    // A PDF report: measure (and observe) --report and report --output with a file whose
    // extension is .pdf or that has none (.pdf is then added).
    if (arguments.size() < 2 ||
        (arguments.at(1) != QLatin1String("measure") &&
         arguments.at(1) != QLatin1String("observe") && arguments.at(1) != QLatin1String("report")))
        return false;
    static const QRegularExpression option(QStringLiteral("^--?(?:report|output|o)(?:=(.*))?$"));
    for (qsizetype n = 2; n < arguments.size(); ++n) {
        const QRegularExpressionMatch match = option.match(arguments.at(n));
        if (!match.hasMatch())
            continue;
        const QString file = match.hasCaptured(1) ? match.captured(1) : arguments.value(n + 1);
        if (reportFormatOf(withReportExtension(file)) == ReportFormat::Pdf)
            return true;
    }
    return false;
}

int run(const QStringList& arguments, const Configuration& configuration)
{
#ifdef Q_OS_UNIX
    // A reader that went away (`iec1000 measure ... | head -1`) must not end
    // the tool before it has recorded the measurement and written the report:
    // a write to the closed pipe fails with EPIPE instead (out()).
    std::signal(SIGPIPE, SIG_IGN);
#endif
    if (arguments.contains(QStringLiteral("--version")) &&
        (arguments.size() < 2 || !isCommand(arguments.at(1)))) {
        out(QStringLiteral("iec1000 %1 (Qt %2)\n")
                .arg(QLatin1String(kToolVersion), QLatin1String(qVersion())));
        return kPass;
    }
    // The subcommand's own parser sees "iec1000 <subcommand> ...".
    QStringList rest = arguments;
    const QString command = rest.takeAt(1);
    setCommand(command);
    rest[0] = arguments.at(0) + QLatin1Char(' ') + command;
    if (command == QLatin1String("measure"))
        return measure(rest, configuration);
    if (command == QLatin1String("observe"))
        return observe(rest, configuration);
    if (command == QLatin1String("evaluate"))
        return evaluate(rest, configuration);
    if (command == QLatin1String("history"))
        return history(rest, configuration);
    if (command == QLatin1String("report"))
        return report(rest, configuration);
    return ports(rest, configuration);
}

} // namespace cli
