#include "command_line.h"

#include "commands.h"
#include "options.h"
#include "report_format.h"

#include <QRegularExpression>

namespace cli {

bool needsGui(const QStringList& arguments)
{
    // A PDF report: measure (observe, analyze) --report and report --output with a file
    // whose extension is .pdf or that has none (.pdf is then added).
    if (arguments.size() < 2 ||
        (arguments.at(1) != QLatin1String("measure") &&
         arguments.at(1) != QLatin1String("observe") &&
         arguments.at(1) != QLatin1String("analyze") && arguments.at(1) != QLatin1String("report")))
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
    ignoreClosedPipes();
    if (const std::optional<int> code = printedVersion(arguments))
        return *code;
    const QStringList rest = commandArguments(arguments);
    const QString& command = arguments.at(1);
    if (command == QLatin1String("measure"))
        return measure(rest, configuration);
    if (command == QLatin1String("observe"))
        return observe(rest, configuration);
    if (command == QLatin1String("analyze"))
        return analyze(rest, configuration);
    if (command == QLatin1String("evaluate"))
        return *evaluate(rest, configuration, evaluateStored);
    if (command == QLatin1String("history"))
        return history(rest, configuration);
    if (command == QLatin1String("report"))
        return report(rest, configuration);
    return ports(rest, configuration);
}

} // namespace cli
