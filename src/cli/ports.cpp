#include "commands.h"

#include "command_line.h"
#include "options.h"
#include "port_list.h"

#include <QCommandLineParser>
#include <QJsonDocument>

namespace cli {

int ports(const QStringList& arguments, const Configuration& startConfiguration)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Synopsis: iec1000 ports [--format text|json]\n\n"
                       "Lists the machine's serial ports and which Com option points at each."));
    parser.addOption(QCommandLineOption(QStringLiteral("format"),
                                        QStringLiteral("Output: text (default) or json."),
                                        QStringLiteral("format"), QStringLiteral("text")));
    addComOptions(parser);
    int code = kPass;
    if (!parse(parser, arguments, &code))
        return code;
    const std::optional<Format> format = formatOf(parser.value(QStringLiteral("format")), false);
    if (!format)
        return usageError(QStringLiteral("--format takes text or json."));
    const QList<PortEntry> entries = listPorts(configured(parser, startConfiguration).devices);
    if (*format == Format::Json)
        out(QString::fromUtf8(QJsonDocument(portsJson(entries)).toJson(QJsonDocument::Indented)));
    else
        out(portsText(entries));
    return kPass;
}

} // namespace cli
