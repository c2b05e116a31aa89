#include "commands.h"

#include "command_channel.h"
#include "command_line.h"
#include "options.h"
#include "rejudge.h"
#include "report_rows.h"
#include "result_formats.h"
#include "sort_out.h"

#include <QCommandLineParser>
#include <QFile>
#include <QJsonDocument>

namespace cli {
namespace {

QString rendered(const CycleResult& result, Format format)
{
    switch (format) {
    case Format::Json:
        return QString::fromUtf8(QJsonDocument(resultJson(result)).toJson(QJsonDocument::Indented));
    case Format::Csv:
        return resultCsv(result);
    case Format::Text:
        break;
    }
    return resultText(result);
}

} // namespace

std::optional<int> evaluate(const QStringList& arguments, const Configuration& startConfiguration,
                            StoredJudging judgeStored)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Synopsis: iec1000 evaluate --class A|B|C|D [--power WATTS] [--guard-band PCT] [--edition 1995|2018] "
        "[--format F] [FILE|-]\n       "
        "iec1000 evaluate --record ID --class A|B|C|D [--power WATTS] [--guard-band PCT] [--edition 1995|2018] "
        "[--format F]\n\n"
        "Judges a saved result reply line (from FILE, or standard input for - "
        "or no FILE), or a stored record's reply, under a class. A stored timed "
        "observation has each of its samples judged again, and the observation by "
        "its rules.\n"
        "Exit codes: 0 Pass or Not limited, 1 Fail (also when the verdict at the lab's "
        "Class D power basis fails), 2 no verdict, 4 the file or record could "
        "not be read, 64 usage error."));
    addClassOptions(parser, true);
    parser.addOption(
        QCommandLineOption(QStringLiteral("record"),
                           QStringLiteral("Judge the reply of this stored record, under "
                                          "its own guard band, edition and category unless "
                                          "--guard-band, --edition or --professional is "
                                          "given."),
                           QStringLiteral("id")));
    addDbOption(parser);
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("The reply line; - for standard input."),
                                 QStringLiteral("[FILE|-]"));
    int code = kPass;
    if (!parse(parser, arguments, &code, true))
        return code;
    Configuration configuration = configured(parser, startConfiguration);
    Format format = Format::Text;
    if (const std::optional<int> code = judgingOptions(parser, &configuration.choice, &format))
        return *code;
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1)
        return usageError(QStringLiteral("give one file at most."));

    if (parser.isSet(QStringLiteral("record"))) {
        if (!files.isEmpty())
            return usageError(QStringLiteral("give a file or --record, not both."));
        bool isNumber = false;
        const qint64 id = parser.value(QStringLiteral("record")).toLongLong(&isNumber);
        if (!isNumber)
            return usageError(QStringLiteral("--record takes a record number."));
        if (!judgeStored)
            return std::nullopt;
        return judgeStored(id, configuration,
                           {parser.isSet(QStringLiteral("guard-band")),
                            parser.isSet(QStringLiteral("edition")),
                            parser.isSet(QStringLiteral("professional"))},
                           format);
    }
    const QString name = files.isEmpty() ? QStringLiteral("-") : files.first();
    QFile file(name);
    const bool opened = name == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly)
                                                   : file.open(QIODevice::ReadOnly);
    if (!opened) {
        err(QStringLiteral("iec1000: %1 could not be read: %2").arg(name, file.errorString()));
        return kStoreFailed;
    }
    // A saved reply is at most a few kB; more is not a reply.
    const QByteArray content = file.read(CommandChannel::kInputLimit + 1);
    if (content.size() > CommandChannel::kInputLimit) {
        err(QStringLiteral("iec1000: %1 is longer than a result reply (%2 bytes).")
                .arg(name)
                .arg(CommandChannel::kInputLimit));
        return kNoVerdict;
    }
    // A saved reply carries no time: it is not said when it was measured.
    CycleResult stored;
    stored.reply.line = savedReplyLine(content);
    return judgedReply(stored, configuration.choice, format);
}

int judgedReply(const CycleResult& stored, const ClassChoice& choice, Format format)
{
    const CycleResult result =
        judgeAgain(stored, choice);
    if (!result.problem.isEmpty())
        err(escapedMessage(result.problem));
    sayPowerDiffers(result);
    out(rendered(result, format));
    const int code = exitCodeOf(worseOfBoth(result));
    return code == kLineFailed ? kNoVerdict : code;
}

} // namespace cli
