#include "commands.h"

#include "exit_codes.h"
#include "observation.h"
#include "record_store.h"
#include "rejudge.h"
#include "report_rows.h"

// evaluate --record: a stored record's reply, or each sample of a stored
// observation, judged again.
namespace cli {
namespace {

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

int evaluateStored(qint64 id, const Configuration& configuration, Format format)
{
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
        const QString problem = judged.result.problem.isEmpty() ? judged.result.judgement.problem
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
    return judgedReply(record->result, configuration.choice, format);
}

} // namespace cli
