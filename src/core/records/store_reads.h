#pragma once

#include "record_schema.h"
#include "stall_guard.h"
#include "store_connection.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVariantList>

#include <functional>
#include <optional>

class QSqlDatabase;
class QSqlQuery;

// What the record store's measurements and observations share to read the
// measurements table.
namespace store_internal {

inline const QString kMeasurementKind = QStringLiteral("measurement");
inline const QString kObservationKind = QStringLiteral("observation");
inline const QString kWaveformKind = QStringLiteral("waveform");

// The kind column as a store of `schemaVersion` reads it: every record of an
// older store is a measurement.
QString kindColumn(int schemaVersion);

// Runs a prepared query that reads; the reason it failed, empty on success.
// The caller bounds the whole read (a StallGuard of kStoreDeadline).
QString runRead(QSqlQuery& query);

// Inserts one row of the measurements table (`values` in the order of
// insertStatement()) and sets *id to the id it was given; the reason it
// failed, empty on success. The query is finished before it returns.
QString insertMeasurementsRow(QSqlDatabase& db, const QVariantList& values, qint64* id);

} // namespace store_internal

// One read of the store: a single deadline (kStoreDeadline) bounds preparing,
// running and fetching its rows on the store's connection (an invalid one
// when no store is open), and a failure is said in *error (that the store
// stalled when the deadline passed) and read as no result. RecordStore
// begins one (beginRead()).
class StoreRead
{
public:
    // `said`: what the store says of a read that failed for a reason.
    StoreRead(const QSqlDatabase& db, int schemaVersion,
              std::function<QString(const QString& reason)> said, QString* error)
        : m_db(db), m_schemaVersion(schemaVersion), m_said(std::move(said)),
          m_guard(m_db, QDeadlineTimer(kStoreDeadline)), m_error(error)
    {}

    const QSqlDatabase& db() const { return m_db; }
    // Ends the watch; true when the deadline passed.
    bool finish() { return m_guard.finish(); }

    // Why the read cannot begin: no store open, or its connection lost;
    // empty when it can.
    QString cannotBegin() const
    {
        if (!m_db.isValid())
            return QStringLiteral("it is not open");
        return m_db.isOpen() ? QString() : lostConnectionReason();
    }

    // Reads the row of record `id` into `query` (made on db()): the record's
    // columns, its kind, then `extra` (", verdict"); the reason it could not,
    // empty when it could.
    QString recordRow(QSqlQuery& query, qint64 id, const QString& extra = {}) const;

    // No result of any read (an empty optional or list).
    struct Failed
    {
        template <typename T> operator std::optional<T>() const { return std::nullopt; }
        template <typename T> operator QList<T>() const { return {}; }
    };
    // Says why the read failed and gives no result.
    Failed fail(const QString& reason)
    {
        if (m_error)
            *m_error = m_said(m_guard.finish() ? stalledReason() : reason);
        return {};
    }

private:
    QSqlDatabase m_db;
    int m_schemaVersion;
    std::function<QString(const QString&)> m_said;
    StallGuard m_guard;
    QString* m_error;
};
