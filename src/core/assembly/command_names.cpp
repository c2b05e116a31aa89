#include "command_names.h"

#include <QCommandLineParser>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <vector>

namespace {

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
            const auto ui = std::size_t(i);
            const auto uj = std::size_t(j);
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
        {QStringLiteral("analyze"),
         QStringLiteral("judge a recorded voltage and current waveform as the lab does")},
        {QStringLiteral("evaluate"),
         QStringLiteral("judge a saved reply line, or a stored record, under a class")},
        {QStringLiteral("history"), QStringLiteral("list the stored records, newest first")},
        {QStringLiteral("report"),
         QStringLiteral("write the test report of a stored record (PDF, CSV, JSON)")},
        {QStringLiteral("serve"),
         QStringLiteral("show the stored records in a browser, read-only")},
        {QStringLiteral("ports"),
         QStringLiteral("list the serial ports and the Com options that point at them")}};
    return list;
}

bool isCommand(const QString& word)
{
    return std::any_of(commands().cbegin(), commands().cend(),
                       [&](const CommandSummary& command) { return command.name == word; });
}

QString nearestName(const QString& word, const QStringList& names)
{
    const QString typed = word.toLower();
    QString nearest;
    qsizetype nearestDistance = 0;
    for (const QString& name : names) {
        const qsizetype distance =
            typed.size() >= 2 && name.startsWith(typed) ? 0 : editDistance(typed, name);
        if (nearest.isEmpty() || distance < nearestDistance) {
            nearest = name;
            nearestDistance = distance;
        }
    }
    return nearestDistance <= 2 ? nearest : QString();
}

QString unknownCommandMessage(const QString& word)
{
    QStringList names;
    for (const CommandSummary& command : commands())
        names << command.name;
    const QString unknown = QStringLiteral("unknown command '%1'").arg(word);
    if (const QString nearest = nearestName(word, names); !nearest.isEmpty())
        return QStringLiteral("%1; did you mean '%2'?").arg(unknown, nearest);
    const QString last = names.takeLast();
    return QStringLiteral("%1; the commands are %2 and %3.")
        .arg(unknown, names.join(QStringLiteral(", ")), last);
}

QString parseErrorText(const QCommandLineParser& parser, const QStringList& arguments)
{
    const QStringList unknown = parser.unknownOptionNames();
    if (unknown.size() != 1)
        return parser.errorText();
    // The options the help lists ("  -h, --help", "  --port <port>").
    static const QRegularExpression listed(QStringLiteral("^ +(?:-[^ ,]+, )*--([^ ,=<]+)"),
                                           QRegularExpression::MultilineOption);
    QStringList names;
    for (auto match = listed.globalMatch(parser.helpText()); match.hasNext();)
        names << match.next().captured(1);
    const QString nearest = nearestName(unknown.first(), names);
    if (nearest.isEmpty())
        return parser.errorText();
    // The option as it was typed: "-pot", "--pot=1".
    QString typed = QStringLiteral("--") + unknown.first();
    for (const QString& argument : arguments) {
        QString name = argument.section(QLatin1Char('='), 0, 0);
        if (name.startsWith(QLatin1Char('-')) &&
            QString(name).remove(QRegularExpression(QStringLiteral("^-+"))) == unknown.first()) {
            typed = name;
            break;
        }
    }
    return QStringLiteral("unknown option '%1'; did you mean '--%2'?").arg(typed, nearest);
}
