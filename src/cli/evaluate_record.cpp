#include "commands.h"

#include "exit_codes.h"
#include "observation.h"
#include "record_store.h"
#include "report_rows.h"

// evaluate --record: a stored record's reply, or each sample of a stored
// observation, judged again.
namespace cli {

int evaluateStored(qint64 id, const Configuration& configuration, GivenOptions given,
                   Format format)
{
    // The record's own guard band, edition and category unless an option
    // names another.
    const auto chosen = [&](const ClassChoice& stored) {
        ClassChoice choice = configuration.choice;
        if (!given.guardBand)
            choice.guardBandPct = stored.guardBandPct;
        if (!given.edition)
            choice.edition = stored.edition;
        if (!given.professional)
            choice.professional = stored.professional;
        return choice;
    };
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
    if (heldAsObservation(*kind)) {
        const std::optional<ObservationRecord> observation = store.observation(id, &error);
        if (!observation) {
            err(QStringLiteral("iec1000: %1").arg(error));
            return kStoreFailed;
        }
        ObservationRecord judged = *observation;
        judged.result = judgedAgain(judged.result, chosen(observation->choice));
        const QString problem = judged.result.problem.isEmpty() ? judged.result.judgement.problem
                                                                : judged.result.problem;
        if (!problem.isEmpty())
            err(escapedMessage(problem));
        if (rulesChanged(judged))
            err(QStringLiteral("Observation %1 was stored under \"%2\"; it is judged again "
                               "by the current rules, \"%3\".")
                    .arg(QString::number(id), escapedText(judged.rules),
                         judged.result.rules()));
        out(renderedObservation(judged, format));
        const int code = observationExitCode(judged.result.verdict);
        return code == kLineFailed ? kNoVerdict : code;
    }
    const std::optional<MeasurementRecord> record = store.record(id, &error);
    if (!record) {
        err(QStringLiteral("iec1000: %1").arg(error));
        return kStoreFailed;
    }
    return judgedReply(record->result, chosen(record->choice), format);
}

} // namespace cli
