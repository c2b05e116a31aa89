#include "commands.h"

#include "command_channel.h"
#include "command_line.h"
#include "observation.h"
#include "options.h"
#include "record_store.h"
#include "rejudge.h"
#include "report_rows.h"
#include "result_formats.h"

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

// The observation with its samples judged again under `choice`, as the
// observation would have judged them under that class. One that was never
// finished stays "Incomplete observation".
ObservationRecord judgedAgain(ObservationRecord record, const ClassChoice& choice)
{
    ObservationResult& r = record.result;
    ObservationEnd end = ObservationEnd::Completed;
    if (r.verdict == ObservationVerdict::LineFailed)
        end = ObservationEnd::LineFailed;
    else if (r.verdict == ObservationVerdict::Stopped)
        end = ObservationEnd::Stopped;
    // Under its own class the samples give its verdict unless it was never
    // finished.
    const bool unfinished = r.verdict == ObservationVerdict::IncompleteObservation &&
                            judgeSamples(r.samples, r.choice, end).verdict != r.verdict;
    for (ObservedSample& sample : r.samples)
        sample = observedSample(sample.startS, cycleResultOf(sample, choice));
    r.choice = choice;
    r.judgement = judgeSamples(r.samples, choice, end);
    r.samplesNotJudged = r.judgement.samplesNotJudged;
    if (unfinished)
        r.judgement.verdict = ObservationVerdict::IncompleteObservation;
    r.verdict = r.judgement.verdict;
    return record;
}

} // namespace

int evaluate(const QStringList& arguments, const Configuration& startConfiguration)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Synopsis: iec1000 evaluate --class A|B|C|D [--power WATTS] [--guard-band PCT] "
        "[--format F] [FILE|-]\n       "
        "iec1000 evaluate --record ID --class A|B|C|D [--power WATTS] [--guard-band PCT] "
        "[--format F]\n\n"
        "Judges a saved result reply line (from FILE, or standard input for - "
        "or no FILE), or a stored record's reply, under a class. A stored timed "
        "observation has each of its samples judged again, and the observation by "
        "its rules.\n"
        "Exit codes: 0 Pass, 1 Fail, 2 no verdict, 4 the file or record could "
        "not be read, 64 usage error."));
    addClassOptions(parser, true);
    parser.addOption(QCommandLineOption(QStringLiteral("record"),
                                        QStringLiteral("Judge the reply of this stored record."),
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

    CycleResult stored;
    if (parser.isSet(QStringLiteral("record"))) {
        if (!files.isEmpty())
            return usageError(QStringLiteral("give a file or --record, not both."));
        bool isNumber = false;
        const qint64 id = parser.value(QStringLiteral("record")).toLongLong(&isNumber);
        if (!isNumber)
            return usageError(QStringLiteral("--record takes a record number."));
        RecordStore store;
        if (!openForReading(store, configuration))
            return kStoreFailed;
        QString error;
        const std::optional<QString> kind = store.recordKind(id, &error);
        if (!kind) {
            err(QStringLiteral("iec1000: %1").arg(error));
            return kStoreFailed;
        }
        // A timed observation: its samples judged again.
        if (*kind == QLatin1String("observation")) {
            const std::optional<ObservationRecord> observation = store.observation(id, &error);
            if (!observation) {
                err(QStringLiteral("iec1000: %1").arg(error));
                return kStoreFailed;
            }
            const ObservationRecord judged = judgedAgain(*observation, configuration.choice);
            const QString problem = judged.result.problem.isEmpty()
                                        ? judged.result.judgement.problem
                                        : judged.result.problem;
            if (!problem.isEmpty())
                err(escapedMessage(problem));
            if (rulesChanged(judged))
                err(QStringLiteral("Observation %1 was stored under \"%2\"; it is judged again "
                                   "by the current rules, \"%3\".")
                        .arg(QString::number(id), escapedText(judged.storedRules),
                             QLatin1String(kObservationRules)));
            out(renderedObservation(judged, format));
            const int code = observationExitCode(judged.result.verdict);
            return code == kLineFailed ? kNoVerdict : code;
        }
        const std::optional<MeasurementRecord> record = store.record(id, &error);
        if (!record) {
            err(QStringLiteral("iec1000: %1").arg(error));
            return kStoreFailed;
        }
        stored = record->result;
    } else {
        const QString name = files.isEmpty() ? QStringLiteral("-") : files.first();
        QFile file(name);
        const bool opened = name == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly)
                                                       : file.open(QIODevice::ReadOnly);
        if (!opened) {
            err(QStringLiteral("iec1000: %1 could not be read: %2").arg(name, file.errorString()));
            return kStoreFailed;
        }
        // A saved reply is at most a few kB; more is not a reply.
        QByteArray content = file.read(CommandChannel::kInputLimit + 1);
        if (content.size() > CommandChannel::kInputLimit) {
            err(QStringLiteral("iec1000: %1 is longer than a result reply (%2 bytes).")
                    .arg(name)
                    .arg(CommandChannel::kInputLimit));
            return kNoVerdict;
        }
        // The end of the file ends the reply's line.
        if (!content.isEmpty() && !content.endsWith('\n') && !content.endsWith('\r'))
            content += "\r\n";
        stored.reply.line = QString::fromLatin1(content);
        stored.measuredAt = QDateTime::currentDateTime();
    }
    const CycleResult result =
        judgeAgain(stored, configuration.choice.productClass, configuration.choice.power,
                   configuration.choice.guardBandPct);
    if (!result.problem.isEmpty())
        err(escapedMessage(result.problem));
    sayPowerDiffers(result);
    out(rendered(result, format));
    return exitCodeOf(result.verdict) == kLineFailed ? kNoVerdict : exitCodeOf(result.verdict);
}

} // namespace cli
