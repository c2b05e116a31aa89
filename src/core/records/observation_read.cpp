#include "record_store.h"

#include "observation_columns.h"
#include "record_columns.h"
#include "record_json.h"
#include "record_schema.h"
#include "stall_guard.h"
#include "store_connection.h"
#include "store_reads.h"

#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <algorithm>

// A timed observation read back from the record store: its record, its
// samples, judged again under the rules (observation_writes.cpp writes it).

using namespace store_internal;

namespace {

std::optional<ObservationVerdict> observationVerdictFromText(const QString& text)
{
    for (ObservationVerdict verdict : {ObservationVerdict::Pass, ObservationVerdict::Fail,
                                       ObservationVerdict::IncompleteObservation,
                                       ObservationVerdict::LineFailed, ObservationVerdict::Stopped,
                                       ObservationVerdict::NotLimited})
        if (observationVerdictText(verdict) == text)
            return verdict;
    return std::nullopt;
}

} // namespace

std::optional<ObservationRecord> RecordStore::observation(qint64 id, QString* error) const
{
    StoreRead read = beginRead(error);
    QSqlQuery query(read.db());
    if (const QString reason = read.recordRow(query, id, QStringLiteral(", verdict"));
        !reason.isEmpty())
        return read.fail(reason);
    const int kind = query.record().count() - 2;
    const bool waveform = query.value(kind).toString() == kWaveformKind;
    if (query.value(kind).toString() != kObservationKind && !waveform)
        return read.fail(QStringLiteral("record %1 is a %2, not an observation")
                             .arg(id)
                             .arg(query.value(kind).toString()));
    MeasurementRecord row;
    const ColumnFault fault = readColumns(query, 0, row);
    const QString verdictStored = query.value(kind + 1).toString();
    const std::optional<ObservationVerdict> storedVerdict =
        observationVerdictFromText(verdictStored);
    if (!storedVerdict)
        return read.fail(QStringLiteral("observation %1 holds an unknown verdict \"%2\"")
                             .arg(id)
                             .arg(verdictStored));
    // The verdict column holds the observation's verdict, which may be none
    // of a measurement's: any other unknown name is damage.
    if (const QString classStored = query.value(QStringLiteral("product_class")).toString();
        row.result.judgement.productClass == ProductClass::None && !classStored.isEmpty())
        return read.fail(QStringLiteral("observation %1 holds an unknown class \"%2\"")
                             .arg(id)
                             .arg(classStored));
    if (fault == ColumnFault::Damaged)
        return read.fail(
            QStringLiteral("observation %1 holds a damaged reply or judgement document").arg(id));
    if (fault == ColumnFault::UnknownName && row.result.verdict != Verdict::NoResultReceived)
        return read.fail(QStringLiteral("observation %1 holds an unknown evaluation status \"%2\"")
                             .arg(id)
                             .arg(query.value(QStringLiteral("evaluation_status")).toString()));
    query.finish();

    ObservationRecord record{row};
    record.id = id;
    record.store = m_origin;
    record.kind = waveform ? RecordKind::Waveform : RecordKind::Observation;
    ObservationResult& r = record.result;
    r.choice = record.choice;
    r.problem = row.result.problem;

    QSqlQuery own(read.db());
    own.setForwardOnly(true);
    if (!own.prepare(QStringLiteral("SELECT duration_s, elapsed_s, sample_interval_s, finished, "
                                    "rules FROM observations WHERE id = ?")))
        return read.fail(sqlReason(own.lastError()));
    own.bindValue(0, id);
    if (const QString reason = runRead(own); !reason.isEmpty())
        return read.fail(reason);
    if (!own.next())
        return read.fail(own.lastError().isValid()
                             ? sqlReason(own.lastError())
                             : QStringLiteral("observation %1 is damaged: its row in the "
                                              "observations table is missing")
                                   .arg(id));
    r.durationS = own.value(0).toInt();
    r.elapsedS = own.value(1).toDouble();
    r.sampleIntervalS = own.value(2).toDouble();
    const bool finished = own.value(3).toInt() != 0;
    record.rules = own.value(4).toString();
    own.finish();

    if (waveform) {
        QSqlQuery facts(read.db());
        facts.setForwardOnly(true);
        if (!facts.prepare(QStringLiteral("SELECT facts FROM recordings WHERE id = ?")))
            return read.fail(sqlReason(facts.lastError()));
        facts.bindValue(0, id);
        if (const QString reason = runRead(facts); !reason.isEmpty())
            return read.fail(reason);
        RecordingFacts kept;
        if (!facts.next() ||
            !readRecordingFacts(QJsonDocument::fromJson(facts.value(0).toString().toUtf8()).object(),
                                &kept))
            return read.fail(facts.lastError().isValid()
                                 ? sqlReason(facts.lastError())
                                 : QStringLiteral("recording %1 is damaged: its file and "
                                                  "figures are missing")
                                       .arg(id));
        r.recording = kept;
    }

    // Room for every sample at once: a day's samples are never copied to
    // grow, nor held twice meanwhile.
    QSqlQuery count(read.db());
    count.setForwardOnly(true);
    if (!count.prepare(QStringLiteral("SELECT count(*) FROM observation_samples "
                                      "WHERE observation_id = ?")))
        return read.fail(sqlReason(count.lastError()));
    count.bindValue(0, id);
    if (const QString reason = runRead(count); !reason.isEmpty())
        return read.fail(reason);
    if (!count.next())
        return read.fail(sqlReason(count.lastError()));
    r.samples.reserve(count.value(0).toLongLong());
    count.finish();

    QSqlQuery samples(read.db());
    samples.setForwardOnly(true);
    if (!samples.prepare(
            QStringLiteral("SELECT start_s, measured_ms, utc_offset, verdict, problem, "
                           "reply_line, reply, sample_index, %1 FROM observation_samples "
                           "WHERE observation_id = ? ORDER BY sample_index")
                .arg(waveform ? QStringLiteral("window_values") : QStringLiteral("NULL"))))
        return read.fail(sqlReason(samples.lastError()));
    samples.bindValue(0, id);
    if (const QString reason = runRead(samples); !reason.isEmpty())
        return read.fail(reason);
    while (samples.next()) {
        ObservedSample sample;
        sample.startS = samples.value(0).toDouble();
        sample.measuredAt =
            timeOf(samples.value(1), samples.isNull(2) ? QVariant() : samples.value(2));
        const std::optional<Verdict> verdict = verdictFromText(samples.value(3).toString());
        const auto reply = std::find(kReplyNames.begin(), kReplyNames.end(),
                                     samples.value(6).toString().toLatin1());
        if (!verdict || reply == kReplyNames.end())
            return read.fail(
                QStringLiteral("sample %1 of observation %2 holds an unknown %3 \"%4\"")
                    .arg(samples.value(7).toLongLong() + 1)
                    .arg(id)
                    .arg(verdict ? QStringLiteral("reply state") : QStringLiteral("verdict"))
                    .arg(samples.value(verdict ? 6 : 3).toString()));
        sample.verdict = *verdict;
        sample.problem = samples.isNull(4) ? QString() : samples.value(4).toString();
        sample.line = replyLineBytesOf(samples.isNull(5) ? QVariant() : samples.value(5));
        sample.reply = ObservedSample::Reply(reply - kReplyNames.begin());
        if (sample.reply == ObservedSample::Reply::Window) {
            if (!readWindowValues(samples.value(8).toString(), &sample))
                return read.fail(QStringLiteral("window %1 of recording %2 is damaged: its "
                                                "values are missing")
                                     .arg(samples.value(7).toLongLong() + 1)
                                     .arg(id));
        } else {
            // The values the rules read, from the reply as its cycle judged it.
            readAgain(sample, r.choice);
        }
        r.samples.append(std::move(sample));
    }
    // A connection cut while the rows came ends them early.
    if (samples.lastError().isValid() || read.finish())
        return read.fail(sqlReason(samples.lastError()));

    if (r.recording) {
        // Its windows judged again by the rules; one whose judging never
        // ended keeps the windows written until then, without a verdict.
        r = judgedRecordingAgain(std::move(r), r.choice);
        if (!finished) {
            r.verdict = r.judgement.verdict = ObservationVerdict::IncompleteObservation;
            r.problem = QStringLiteral("The recording's judging was never finished (the tool "
                                       "ended during it); the %1 windows written until then "
                                       "are kept.")
                            .arg(r.samples.size());
        }
        return record;
    }
    const qsizetype taken = r.samples.size();
    if (!finished) {
        // Ended without its end written: what the samples say of the time.
        r.elapsedS = taken > 0 ? r.samples.last().startS : 0;
        r.sampleIntervalS =
            taken > 1 ? (r.samples.last().startS - r.samples.first().startS) / double(taken - 1)
                      : 0;
    }
    r.judgement = judgeSamples(r.samples, r.choice, endOf(*storedVerdict), r.sampleIntervalS);
    r.samplesNotJudged = r.judgement.samplesNotJudged;
    if (!finished) {
        r.judgement.verdict = ObservationVerdict::IncompleteObservation;
        r.problem = QStringLiteral("The observation was never finished (the tool ended during "
                                   "it); the %1 samples taken until then are kept.")
                        .arg(taken);
    }
    r.verdict = r.judgement.verdict;
    return record;
}
