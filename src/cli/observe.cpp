#include "commands.h"

#include "command_line.h"
#include "console_observer.h"
#include "line_assembly.h"
#include "observation.h"
#include "observation_formats.h"
#include "observation_report.h"
#include "options.h"
#include "record_store.h"
#include "report_rows.h"

#include <QCommandLineParser>
#include <QJsonDocument>

namespace cli {
namespace {

// The progress on standard error, and each sample written to the store as
// it arrives.
class RecordingObserver : public ConsoleObservationObserver
{
public:
    RecordingObserver(RecordStore& store, const ObservationRecord& record, QString port)
        : ConsoleObservationObserver(std::move(port)), m_store(store), m_record(record)
    {}

    void sampleTaken(int index, const ObservedSample& sample, const CycleResult& cycle,
                     const ObservationJudgement& running) override
    {
        if (m_record.id > 0) {
            const Outcome written = m_store.addSample(m_record.id, index, sample);
            // Said once; the end writes every sample still missing.
            if (!written.succeeded() && !m_warned) {
                m_warned = true;
                err(QStringLiteral("iec1000: warning: sample %1 was not recorded: %2")
                        .arg(index + 1)
                        .arg(written.reason()));
            }
        }
        ConsoleObservationObserver::sampleTaken(index, sample, cycle, running);
    }

private:
    RecordStore& m_store;
    const ObservationRecord& m_record;
    bool m_warned = false;
};

} // namespace

QString renderedObservation(const ObservationRecord& record, Format format)
{
    switch (format) {
    case Format::Json:
        return QString::fromUtf8(
            QJsonDocument(observationJson(record)).toJson(QJsonDocument::Indented));
    case Format::Csv:
        return observationCsv(record);
    case Format::Text:
        break;
    }
    return observationText(record);
}

int shownAndReported(const ObservationRecord& record, Format format,
                     const std::optional<QString>& reportFile, int exitCode)
{
    out(renderedObservation(record, format));
    if (reportFile) {
        if (const Outcome written = writeObservationReport(record, *reportFile);
            !written.succeeded()) {
            err(QStringLiteral("iec1000: the report was not written: %1").arg(written.reason()));
            return kStoreFailed;
        }
    }
    return exitCode;
}

int observationExitCode(ObservationVerdict verdict)
{
    switch (verdict) {
    case ObservationVerdict::Pass:
    case ObservationVerdict::NotLimited:
        return kPass;
    case ObservationVerdict::Fail:
        return kFail;
    case ObservationVerdict::LineFailed:
        return kLineFailed;
    case ObservationVerdict::IncompleteObservation:
    case ObservationVerdict::Stopped:
        break;
    }
    return kNoVerdict;
}

int observe(const QStringList& arguments, const Configuration& startConfiguration)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral(
            "Synopsis: iec1000 observe --port PORT --class A|B|C|D [--power WATTS] "
            "[--duration SECONDS] [--guard-band PCT] [--edition 1995|2018] [options]\n\n"
            "Logs on to the analyzer, repeats the measurement cycle back to back for the "
            "duration (each cycle one sample, about 8 s), logs off (*RST) and judges the "
            "samples by the %1. Each sample is recorded as it arrives; the progress (sample, "
            "seconds left, the worst order in % of its limit) goes to standard error.\n"
            "Exit codes: 0 Pass, 1 Fail, 2 no verdict (incomplete observation, stopped by a "
            "signal), 3 the port could not be opened or the line failed, 4 the record store "
            "or the report file could not be written, 64 usage error.")
            .arg(QLatin1String(kObservationRules)));
    addPortOption(parser);
    addClassOptions(parser, true);
    parser.addOption(QCommandLineOption(
        QStringLiteral("duration"),
        QStringLiteral("How long to observe, in seconds: %1 to %2 (24 h); default %3.")
            .arg(Observation::kShortestDurationS)
            .arg(Observation::kLongestDurationS)
            .arg(Observation::kDefaultDurationS),
        QStringLiteral("seconds"), QString::number(Observation::kDefaultDurationS)));
    int code = kPass;
    std::optional<Configuration> parsed =
        parseLineCommand(parser, arguments, startConfiguration,
                         QStringLiteral("Also write the observation's report: PDF, CSV or JSON by "
                                        "the file's extension (none: .pdf)."),
                         &code);
    if (!parsed)
        return code;
    Configuration& configuration = *parsed;
    ClassChoice choice = configuration.choice;
    Format format = Format::Text;
    if (const std::optional<int> code = judgingOptions(parser, &choice, &format))
        return *code;
    std::optional<PortChoice> port;
    if (const std::optional<int> code = takePort(parser, configuration.devices, &port))
        return *code;
    bool isNumber = false;
    const int durationS = parser.value(QStringLiteral("duration")).toInt(&isNumber);
    if (!isNumber || durationS < Observation::kShortestDurationS ||
        durationS > Observation::kLongestDurationS)
        return usageError(QStringLiteral("--duration takes %1 to %2 seconds, not \"%3\".")
                              .arg(Observation::kShortestDurationS)
                              .arg(Observation::kLongestDurationS)
                              .arg(parser.value(QStringLiteral("duration"))));
    std::optional<QString> reportFile;
    if (const std::optional<int> code = takeReportFile(parser, &reportFile))
        return *code;

    // Its start is when the analyzer is logged on, below.
    ObservationRecord record = newObservationRecord(port->name, port->device, choice, durationS, {});
    record.product = productOf(parser);

    // The store first: an observation that could not be recorded is not
    // begun, and nothing is sent.
    RecordStore store;
    if (!openForWriting(store, configuration))
        return kStoreFailed;

    LineAssembly line;
    RecordingObserver observer(store, record, port->deviceLabel());
    SignalInterruption interruption;

    stopOnSignals();

    if (const std::optional<int> failed = logOn(line, *port, observer, interruption))
        return *failed;

    record.startedAt = line.clock.currentDateTime();
    if (const Outcome begun = store.beginObservation(record); !begun.succeeded()) {
        err(QStringLiteral("iec1000: the observation was not begun: %1").arg(begun.reason()));
        line.session.reset();
        return kStoreFailed;
    }
    err(QStringLiteral("Observing for %1 s as record %2").arg(durationS).arg(record.id));

    Observation observation(line.session.cycle(), line.clock);
    record.result = observation.run(choice, durationS, observer, interruption);
    line.session.reset();
    if (!record.result.problem.isEmpty())
        err(escapedMessage(record.result.problem));
    err(shownObservationVerdict(record.result));

    int exitCode = observationExitCode(record.result.verdict);
    if (const Outcome finished = store.finishObservation(record); !finished.succeeded()) {
        exitCode = kStoreFailed;
        if (store.removedOrReplaced()) {
            // Its record went with the file: nothing of it is there to find.
            record.id = 0;
            record.store.clear();
            record.recordProblem = finished.reason();
            err(QStringLiteral("iec1000: warning: the observation was not recorded: %1")
                    .arg(finished.reason()));
        } else {
            err(QStringLiteral("iec1000: the observation's end was not recorded: %1")
                    .arg(finished.reason()));
        }
    }
    return shownAndReported(record, format, reportFile, exitCode);
}

} // namespace cli
