#include "command_line.h"

#include "commands.h"
#include "options.h"
#include "report_rows.h"
#include "version.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <csignal>
#include <vector>

namespace cli {
namespace {

bool isCommand(const QString& word)
{
    return std::any_of(commands().cbegin(), commands().cend(),
                       [&](const CommandSummary& command) { return command.name == word; });
}

// The number of single-character edits (insert, delete, replace, swap two
// neighbours) that turn `a` into `b`.
qsizetype editDistance(const QString& a, const QString& b)
{
    std::vector<std::vector<qsizetype>> d(std::size_t(a.size() + 1),
                                          std::vector<qsizetype>(std::size_t(b.size() + 1)));
    for (qsizetype i = 0; i <= a.size(); ++i)
        d[std::size_t(i)][0] = i;
    for (qsizetype j = 0; j <= b.size(); ++j)
        d[0][std::size_t(j)] = j;
    for (qsizetype i = 1; i <= a.size(); ++i) {
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const auto [ui, uj] = std::pair(std::size_t(i), std::size_t(j));
            const qsizetype replace = a[i - 1] == b[j - 1] ? 0 : 1;
            d[ui][uj] =
                std::min({d[ui - 1][uj] + 1, d[ui][uj - 1] + 1, d[ui - 1][uj - 1] + replace});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[ui][uj] = std::min(d[ui][uj], d[ui - 2][uj - 2] + 1);
        }
    }
    return d[std::size_t(a.size())][std::size_t(b.size())];
}

} // namespace

const QList<CommandSummary>& commands()
{
    static const QList<CommandSummary> list{
        {QStringLiteral("measure"),
         QStringLiteral("log on, take one measurement, log off, record and print it")},
        {QStringLiteral("observe"),
         QStringLiteral("log on, measure back to back for a duration, judge and record the "
                        "timed observation")},
        {QStringLiteral("evaluate"),
         QStringLiteral("judge a saved reply line, or a stored record, under a class")},
        {QStringLiteral("history"), QStringLiteral("list the stored records, newest first")},
        {QStringLiteral("report"),
         QStringLiteral("write the test report of a stored record (PDF, CSV, JSON)")},
        {QStringLiteral("ports"),
         QStringLiteral("list the serial ports and the Com options that point at them")}};
    return list;
}

bool wanted(const QStringList& arguments)
{
    if (arguments.size() < 2)
        return false;
    return isCommand(arguments.at(1)) || arguments.contains(QStringLiteral("--version"));
}

QString unknownCommandMessage(const QString& word)
{
    // A typing slip (up to two edits, case aside) or the start of a command.
    const QString typed = word.toLower();
    const CommandSummary* nearest = nullptr;
    qsizetype nearestDistance = 0;
    for (const CommandSummary& command : commands()) {
        const qsizetype distance = typed.size() >= 2 && command.name.startsWith(typed)
                                       ? 0
                                       : editDistance(typed, command.name);
        if (!nearest || distance < nearestDistance) {
            nearest = &command;
            nearestDistance = distance;
        }
    }
    const QString unknown = QStringLiteral("unknown command '%1'").arg(escapedText(word));
    if (nearest && nearestDistance <= 2)
        return QStringLiteral("%1; did you mean '%2'?").arg(unknown, nearest->name);
    QStringList names;
    for (const CommandSummary& command : commands())
        names << command.name;
    const QString last = names.takeLast();
    return QStringLiteral("%1; the commands are %2 and %3.")
        .arg(unknown, names.join(QStringLiteral(", ")), last);
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
        const QString suffix = QFileInfo(file).suffix();
        if (suffix.isEmpty() || suffix.compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0)
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
