#include "record_store.h"

#include "observation_columns.h"
#include "record_columns.h"
#include "record_json.h"
#include "record_schema.h"
#include "store_connection.h"
#include "store_reads.h"

#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

// The writes of a timed observation: its record of kind "observation" begun,
// each sample written as it arrives, its end and any sample missing written
// when it finishes. RecordStore::observation() reads it back
// (observation_read.cpp).

using namespace store_internal;

namespace {

// The single-cycle verdict that stands for an observation's verdict in the
// columns a measurement has; "Incomplete observation" has none of its own.
Verdict standInVerdict(ObservationVerdict verdict)
{
    switch (verdict) {
    case ObservationVerdict::Pass:
        return Verdict::Pass;
    case ObservationVerdict::Fail:
        return Verdict::Fail;
    case ObservationVerdict::LineFailed:
        return Verdict::LineFailed;
    case ObservationVerdict::Stopped:
        return Verdict::Stopped;
    case ObservationVerdict::NotLimited:
        return Verdict::NotLimited;
    case ObservationVerdict::IncompleteObservation:
        break;
    }
    return Verdict::NoResultReceived;
}

// The measurements row of an observation, in the order of insertStatement():
// its header (start, class, power, guard band, kind, port, product fields),
// its verdict and problem, no reply, and what the history filter matches.
QVariantList observationRow(const ObservationRecord& o)
{
    MeasurementRecord row{o};
    row.result.verdict = standInVerdict(o.result.verdict);
    row.result.problem = o.result.problem;
    row.result.judgement.anyFailed = o.result.verdict == ObservationVerdict::Fail;
    QVariantList values = insertValues(row);
    const QString verdict = observationVerdictText(o.result.verdict);
    int n = 0;
    for (const RecordColumn& column : recordColumns()) {
        if (!column.write)
            continue;
        const QLatin1String name(column.name);
        if (name == QLatin1String("verdict"))
            values[n] = verdict;
        else if (name == QLatin1String("search"))
            values[n] = recordSearchText(o.product.product, o.product.serial,
                                         o.product.operatorName, o.product.notes, verdict,
                                         classLetter(o.choice.productClass));
        ++n;
    }
    return values;
}

// How many samples one INSERT writes at most (10 values each).
constexpr int kSamplesAStatement = 200;

// A sample with its index in the observation.
using IndexedSample = std::pair<int, const ObservedSample*>;

// Writes `samples` to observation `id` with one statement per
// kSamplesAStatement; a sample already there is left as it is.
QString insertSamples(QSqlDatabase& db, qint64 id, const QList<IndexedSample>& samples)
{
    QSqlQuery query(db);
    qsizetype prepared = 0; // how many rows the prepared statement takes
    for (qsizetype first = 0; first < samples.size(); first += kSamplesAStatement) {
        const qsizetype rows = std::min<qsizetype>(kSamplesAStatement, samples.size() - first);
        if (rows != prepared) {
            QStringList placeholders(rows, QStringLiteral("(?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
            if (!query.prepare(
                    QStringLiteral("INSERT INTO observation_samples (observation_id, "
                                   "sample_index, start_s, measured_ms, utc_offset, verdict, "
                                   "problem, reply_line, reply, window_values) VALUES %1 "
                                   "ON CONFLICT (observation_id, sample_index) DO NOTHING")
                        .arg(placeholders.join(QStringLiteral(", ")))))
                return sqlReason(query.lastError());
            prepared = rows;
        }
        int n = 0;
        for (qsizetype row = first; row < first + rows; ++row) {
            const auto& [index, indexed] = samples.at(row);
            const ObservedSample& sample = *indexed;
            for (const QVariant& value :
                 {QVariant(id), QVariant(index), QVariant(sample.startS), msOf(sample.measuredAt),
                  offsetOf(sample.measuredAt), QVariant(verdictText(sample.verdict)),
                  sample.problem.isNull() ? QVariant(QMetaType::fromType<QString>())
                                          : QVariant(sample.problem),
                  replyLineValue(sample.line),
                  QVariant(QString::fromLatin1(kReplyNames[std::size_t(sample.reply)])),
                  sample.reply == ObservedSample::Reply::Window
                      ? QVariant(windowValuesText(sample))
                      : QVariant(QMetaType::fromType<QString>())})
                query.bindValue(n++, value);
        }
        if (!query.exec())
            return sqlReason(query.lastError());
    }
    return {};
}

// The samples of `samples` observation `id` does not hold yet: none, in one
// count, when it holds them all, as it does when each was written as it
// arrived.
QString missingSamples(QSqlDatabase& db, qint64 id, const QList<ObservedSample>& samples,
                       QList<IndexedSample>* missing)
{
    QSqlQuery query(db);
    if (!query.prepare(QStringLiteral("SELECT count(*) FROM observation_samples "
                                      "WHERE observation_id = ? AND sample_index < ?")))
        return sqlReason(query.lastError());
    query.bindValue(0, id);
    query.bindValue(1, int(samples.size()));
    if (!query.exec() || !query.next())
        return sqlReason(query.lastError());
    if (query.value(0).toLongLong() == samples.size())
        return {};
    query.finish();
    if (!query.prepare(QStringLiteral("SELECT sample_index FROM observation_samples "
                                      "WHERE observation_id = ? AND sample_index < ?")))
        return sqlReason(query.lastError());
    query.bindValue(0, id);
    query.bindValue(1, int(samples.size()));
    if (!query.exec())
        return sqlReason(query.lastError());
    QList<bool> held(samples.size(), false);
    while (query.next())
        if (const int index = query.value(0).toInt(); index >= 0 && index < held.size())
            held[index] = true;
    if (query.lastError().isValid())
        return sqlReason(query.lastError());
    for (int n = 0; n < int(held.size()); ++n)
        if (!held.at(n))
            missing->append({n, &samples.at(n)});
    return {};
}

QString runStatement(QSqlDatabase& db, const QString& sql, const QVariantList& values)
{
    QSqlQuery query(db);
    if (!query.prepare(sql))
        return sqlReason(query.lastError());
    for (int n = 0; n < int(values.size()); ++n)
        query.bindValue(n, values[n]);
    return query.exec() ? QString() : sqlReason(query.lastError());
}

QString factsText(const RecordingFacts& facts)
{
    return QString::fromUtf8(QJsonDocument(recordingFactsJson(facts)).toJson(QJsonDocument::Compact));
}

QString insertRecordingRow(QSqlDatabase& db, qint64 id, const RecordingFacts& facts)
{
    return runStatement(db,
                        QStringLiteral("INSERT INTO recordings (id, file, size_bytes, sha256, "
                                       "facts) VALUES (?, ?, ?, ?, ?)"),
                        // The SHA-256 of a file still being read: empty until it ends.
                        {id, facts.file, facts.sizeBytes,
                         facts.sha256.isNull() ? QStringLiteral("") : facts.sha256,
                         factsText(facts)});
}

} // namespace

Outcome RecordStore::beginObservation(ObservationRecord& record)
{
    if (const std::optional<Outcome> refused = refusedWrite())
        return *refused;
    qint64 id = 0;
    const QString reason = write(
        [&](QSqlDatabase& db) {
            if (const QString failed = insertMeasurementsRow(db, observationRow(record), &id);
                !failed.isEmpty())
                return failed;
            QString failed =
                runStatement(db,
                             QStringLiteral("INSERT INTO observations (id, duration_s, "
                                            "elapsed_s, sample_interval_s, finished, rules) "
                                            "VALUES (?, ?, NULL, NULL, 0, ?)"),
                             {id, record.result.durationS, record.result.rules()});
            // A recording's file is named from the start; its figures follow
            // at the end.
            if (failed.isEmpty() && record.result.recording)
                failed = insertRecordingRow(db, id, *record.result.recording);
            return failed;
        },
        QDeadlineTimer(kStoreDeadline));
    if (const Outcome outcome = written(reason); !outcome.succeeded())
        return outcome;
    record.id = id;
    record.store = m_origin;
    return Outcome::ok();
}

Outcome RecordStore::addSample(qint64 id, int index, const ObservedSample& sample)
{
    if (const std::optional<Outcome> refused = refusedWrite())
        return *refused;
    const QString reason = write(
        [&](QSqlDatabase& db) {
            return insertSamples(db, id, {{index, &sample}});
        },
        QDeadlineTimer(kStoreDeadline));
    return written(reason);
}

Outcome RecordStore::finishObservation(const ObservationRecord& record)
{
    if (const std::optional<Outcome> refused = refusedWrite())
        return *refused;
    const ObservationResult& r = record.result;
    const QString verdict = observationVerdictText(r.verdict);
    const QString reason = write(
        [&](QSqlDatabase& db) {
            QSqlQuery found(db);
            if (!found.prepare(QStringLiteral("SELECT kind FROM measurements WHERE id = ?")))
                return sqlReason(found.lastError());
            found.bindValue(0, record.id);
            if (!found.exec())
                return sqlReason(found.lastError());
            if (!found.next() || !heldAsObservation(found.value(0).toString()))
                return QStringLiteral("it holds no observation %1").arg(record.id);
            found.finish();
            QString failed = runStatement(
                db,
                QStringLiteral("UPDATE measurements SET measured_ms = ?, utc_offset = ?, "
                               "verdict = ?, problem = ?, any_failed = ?, search = ? "
                               "WHERE id = ?"),
                {msOf(record.startedAt), offsetOf(record.startedAt), verdict,
                 r.problem.isNull() ? QVariant(QMetaType::fromType<QString>())
                                    : QVariant(r.problem),
                 r.verdict == ObservationVerdict::Fail ? 1 : 0,
                 recordSearchText(record.product.product, record.product.serial,
                                  record.product.operatorName, record.product.notes, verdict,
                                  classLetter(record.choice.productClass)),
                 record.id});
            if (failed.isEmpty())
                failed = runStatement(db,
                                      QStringLiteral("UPDATE observations SET elapsed_s = ?, "
                                                     "sample_interval_s = ?, finished = 1 "
                                                     "WHERE id = ?"),
                                      {r.elapsedS, r.sampleIntervalS, record.id});
            if (failed.isEmpty() && r.recording)
                failed = runStatement(
                    db, QStringLiteral("UPDATE recordings SET sha256 = ?, facts = ? WHERE id = ?"),
                    {r.recording->sha256, factsText(*r.recording), record.id});
            // A recording's samples are a selection of the windows its writes
            // added as they came: none is missing.
            if (r.rangesOfAll)
                return failed;
            // A sample whose own write failed is written now; those written
            // as they arrived are only counted.
            QList<IndexedSample> missing;
            if (failed.isEmpty())
                failed = missingSamples(db, record.id, r.samples, &missing);
            if (failed.isEmpty())
                failed = insertSamples(db, record.id, missing);
            return failed;
        },
        QDeadlineTimer(kStoreDeadline));
    return written(reason);
}

Outcome RecordStore::saveRecording(ObservationRecord& record)
{
    if (const std::optional<Outcome> refused = refusedWrite())
        return *refused;
    if (!record.result.recording)
        return written(QStringLiteral("it is given an observation without a recording"));
    const ObservationResult& r = record.result;
    qint64 id = 0;
    const QString reason = write(
        [&](QSqlDatabase& db) {
            if (const QString failed = insertMeasurementsRow(db, observationRow(record), &id);
                !failed.isEmpty())
                return failed;
            QString failed = runStatement(
                db,
                QStringLiteral("INSERT INTO observations (id, duration_s, elapsed_s, "
                               "sample_interval_s, finished, rules) VALUES (?, ?, ?, ?, 1, ?)"),
                {id, r.durationS, r.elapsedS, r.sampleIntervalS, record.rules});
            if (failed.isEmpty())
                failed = insertRecordingRow(db, id, *r.recording);
            if (!failed.isEmpty())
                return failed;
            QList<IndexedSample> samples;
            samples.reserve(r.samples.size());
            for (int n = 0; n < int(r.samples.size()); ++n)
                samples.append({n, &r.samples.at(n)});
            return insertSamples(db, id, samples);
        },
        // A day's windows take longer than one measurement.
        QDeadlineTimer(kStoreDeadline + std::chrono::milliseconds(r.samples.size() / 5)));
    if (const Outcome outcome = written(reason); !outcome.succeeded())
        return outcome;
    record.id = id;
    record.store = m_origin;
    return Outcome::ok();
}

Outcome RecordStore::addSamples(qint64 id, int first, const QList<ObservedSample>& samples)
{
    if (const std::optional<Outcome> refused = refusedWrite())
        return *refused;
    QList<IndexedSample> indexed;
    indexed.reserve(samples.size());
    for (int n = 0; n < int(samples.size()); ++n)
        indexed.append({first + n, &samples.at(n)});
    return written(write([&](QSqlDatabase& db) { return insertSamples(db, id, indexed); },
                         QDeadlineTimer(kStoreDeadline)));
}

Outcome RecordStore::discardObservation(qint64 id)
{
    if (const std::optional<Outcome> refused = refusedWrite())
        return *refused;
    return written(write(
        [&](QSqlDatabase& db) {
            QString failed;
            for (const char* sql : {"DELETE FROM observation_samples WHERE observation_id = ?",
                                    "DELETE FROM recordings WHERE id = ?",
                                    "DELETE FROM observations WHERE id = ?",
                                    "DELETE FROM measurements WHERE id = ?"})
                if (failed.isEmpty())
                    failed = runStatement(db, QLatin1String(sql), {id});
            return failed;
        },
        QDeadlineTimer(kStoreDeadline)));
}
