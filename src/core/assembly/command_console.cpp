#include "command_console.h"

#include "command_names.h"
#include "exit_codes.h"

#include <QCommandLineParser>

#include <cstdio>

namespace cli {
namespace {

// The command being run ("measure"), for its usage messages.
QString g_command;

// The parser's help with the command in its usage line: "Usage: iec1000
// measure [options] ..." rather than the executable's path alone.
QString helpOf(const QCommandLineParser& parser)
{
    QString help = parser.helpText();
    const qsizetype lineEnd = help.indexOf(QLatin1Char('\n'));
    const qsizetype options = help.indexOf(QLatin1String(" [options]"));
    if (options >= 0 && options < lineEnd)
        help.replace(0, options, QStringLiteral("Usage: iec1000 %1").arg(g_command));
    return help;
}

} // namespace

void setCommand(const QString& command)
{
    g_command = command;
}

void out(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

void err(const QString& text)
{
    const QByteArray bytes = (text + QLatin1Char('\n')).toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

int usageError(const QString& message)
{
    err(QStringLiteral("iec1000: %1").arg(message));
    err(QStringLiteral("Try 'iec1000 %1 --help'.").arg(g_command));
    return kUsage;
}

bool parse(QCommandLineParser& parser, const QStringList& arguments, int* code, bool takesArguments)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help."));
    parser.addOption(help);
    if (!parser.parse(arguments)) {
        *code = usageError(parseErrorText(parser, arguments));
        return false;
    }
    if (parser.isSet(help)) {
        out(helpOf(parser));
        *code = kPass;
        return false;
    }
    if (!takesArguments && !parser.positionalArguments().isEmpty()) {
        *code = usageError(QStringLiteral("unexpected argument \"%1\".")
                               .arg(parser.positionalArguments().first()));
        return false;
    }
    return true;
}

} // namespace cli
