#pragma once

#include "history_query.h"
#include "measurement_record.h"
#include "observation_record.h"
#include "outcome.h"
#include "store_connection.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QList>
#include <QString>

#include <functional>
#include <optional>
#include <utility>

class QSqlDatabase;
class StallGuard;

// What a record is: its kind ("measurement" or "observation") and, for an
// observation, whether its end was written (false while it is being
// recorded, or when the tool ended during it).
struct RecordState
{
    QString kind;
    bool finished = true;
};

// One line of the history: what the list shows, without the harmonics.
struct RecordSummary
{
    qint64 id = 0;
    QDateTime measuredAt;
    ProductClass productClass = ProductClass::None;
    QString power;
    Verdict verdict = Verdict::NoResultReceived;
    QString product;
    QString serial;
    QString operatorName;
    QString port;
    // "measurement", or "observation" for a timed observation.
    QString kind = QStringLiteral("measurement");
    // An observation's verdict as stored ("Incomplete observation" has no
    // Verdict; `verdict` then reads "No result received"); empty for a
    // measurement.
    QString observationVerdict = {};
    // The guard band (%) it was judged under; 0 for none.
    double guardBandPct = 0;
    // Made on the built-in simulated analyzer (isSimulatedDevice()).
    bool simulated = false;
    // The edition it was judged by; the verdict at the lab's Class D power
    // basis ("Fail"), empty without one.
    Edition edition = kDefaultEdition;
    QString labVerdict = {};
};

class StoreRead;

// The measurements kept in a SQLite file or a PostgreSQL database, named as
// parseStoreName() reads a store name. Each store uses its own database
// connection, so several may be open at once; all calls must come from the
// thread that opened it. No call throws; a failure comes back with a reason
// an operator can read, naming the store but never a password. No call
// waits longer than kStoreDeadline, or its `deadline` when given (one
// deadline shared by several calls), also when a PostgreSQL server stops
// answering in the middle of it.
// True for the kinds observation() reads: a timed observation, and a
// recording judged window by window ("waveform").
inline bool heldAsObservation(const QString& kind)
{
    return kind == QLatin1String("observation") || kind == QLatin1String("waveform");
}

class RecordStore
{
public:
    RecordStore() = default;
    ~RecordStore();
    RecordStore(const RecordStore&) = delete;
    RecordStore& operator=(const RecordStore&) = delete;

    // Opens the store. A writer creates the store, and a SQLite file's
    // folder, when missing, and creates or upgrades its schema; a reader opens
    // it read-only and fails when there is no store. Neither touches a
    // database that holds other tables and none of this tool's.
    Outcome open(const QString& storeName, StoreAccess access = StoreAccess::Write,
                 QDeadlineTimer deadline = QDeadlineTimer(kStoreDeadline));
    void close();
    bool isOpen() const { return !m_connection.isEmpty(); }
    // The store as the operator names it: the file path, or the URL without
    // its password.
    QString location() const { return m_location; }
    // The store as a report names it (storeOrigin()); the records it writes
    // and reads carry it.
    QString origin() const { return m_origin; }
    // Whether the SQLite file at the store's path is no longer the one opened
    // (removed, or another file put in its place): SQLite writes on into the
    // file it opened, which nobody will find again. Always false for
    // PostgreSQL and for a reader. Every write checks it after its commit and
    // fails, saying so, when it is true.
    bool removedOrReplaced() const;

    // Writes the record in one transaction and sets record.id. On failure
    // nothing is written and record.id is left as it was. A PostgreSQL
    // connection found lost (a restarted server) is made again once first.
    Outcome add(MeasurementRecord& record,
                QDeadlineTimer deadline = QDeadlineTimer(kStoreDeadline));
    // The record exactly as it was added; nothing (and *error says why) when
    // there is no such record or it could not be read.
    std::optional<MeasurementRecord> record(qint64 id, QString* error = nullptr) const;
    // Replaces the product fields of record `id` (and what the history
    // filter matches) in one transaction. Fails, writing nothing, when there
    // is no such record.
    Outcome updateProduct(qint64 id, const ProductInfo& product);
    // The kind of record `id`: "measurement", "observation" or "waveform" (as
    // RecordSummary::kind); nothing (and *error says why) when there is no
    // such record or it could not be read.
    std::optional<QString> recordKind(qint64 id, QString* error = nullptr) const;
    // At most limit records (all when limit <= 0), newest first by measured
    // time, then by id. A filter keeps the records whose product, serial,
    // operator, notes, verdict text or class letter contains it, ignoring
    // case, and those made on the simulated analyzer when "simulated"
    // contains it.
    QList<RecordSummary> history(int limit, const QString& filter = {},
                                 QString* error = nullptr) const;
    // The records `query` asks for, newest first by measured time, then by id.
    QList<RecordSummary> history(const HistoryQuery& query, QString* error = nullptr) const;
    // The kind of record `id` and whether its end is written; nothing, *error
    // empty, when there is no such record; nothing, *error saying why, when it
    // could not be read.
    std::optional<RecordState> recordState(qint64 id, QString* error = nullptr) const;

    // A timed observation, kept as one record whose samples are written as
    // they arrive: a crash or a kill loses at most the sample in flight.
    // beginObservation writes the record without samples and sets record.id;
    // addSample writes sample `index` of observation `id` (again writing a
    // sample already there changes nothing); finishObservation writes its
    // verdict, end and any sample not written yet. Each is one transaction.
    Outcome beginObservation(ObservationRecord& record);
    Outcome addSample(qint64 id, int index, const ObservedSample& sample);
    Outcome finishObservation(const ObservationRecord& record);
    // A recording's windows written as they come: begun by beginObservation
    // (record.result.recording names the file), `samples` added as windows
    // `first` on, finished by finishObservation (its figures, and none
    // missing when record.result.rangesOfAll says its samples are a
    // selection). discardObservation removes a record begun and all it holds.
    Outcome addSamples(qint64 id, int first, const QList<ObservedSample>& samples);
    Outcome discardObservation(qint64 id);
    // A recording judged window by window (record.result.recording set),
    // written whole in one transaction as a record of kind waveform: its
    // header, its facts and every window; sets record.id. observation()
    // reads it back.
    Outcome saveRecording(ObservationRecord& record);
    // The observation with its samples as they were kept, judged again by
    // the rules (judgeSamples). One never finished (the tool was ended
    // during it) reads as "Incomplete observation" with the samples written
    // until then. Nothing (and *error says why) when there is no such
    // observation: record() and observation() each refuse the other kind.
    std::optional<ObservationRecord> observation(qint64 id, QString* error = nullptr) const;

private:
    Outcome failure(const QString& what, const QString& reason) const;
    // One read under one deadline, and how it fails (store_reads.h).
    StoreRead beginRead(QString* error) const;
    // Why nothing may be written now (no store open, or one opened for
    // reading); nothing when a write may go ahead.
    std::optional<Outcome> refusedWrite() const;
    // Connects m_target; the reason it failed, empty on success.
    QString connect(QDeadlineTimer deadline);
    // Runs `statements` in one write transaction under the deadline; the
    // reason it failed, empty on success.
    QString write(const std::function<QString(QSqlDatabase&)>& statements, QDeadlineTimer deadline);
    // The outcome of a write that ended with `reason` (empty: committed):
    // a committed write fails all the same when the store's file was removed
    // or replaced meanwhile.
    Outcome written(const QString& reason) const;

    QString m_connection;
    QString m_location;
    QString m_origin;
    QString m_storeName;
    StoreAccess m_access = StoreAccess::Write;
    int m_schemaVersion = 0;
    // The SQLite file a writer opened, as the system identifies it (device
    // and inode); nothing for PostgreSQL and a reader.
    std::optional<std::pair<quint64, quint64>> m_file;
};
