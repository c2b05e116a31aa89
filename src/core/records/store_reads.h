#pragma once

#include <QString>
#include <QVariantList>

class QSqlDatabase;
class QSqlQuery;

// What the record store's measurements and observations share to read the
// measurements table.
namespace store_internal {

inline const QString kMeasurementKind = QStringLiteral("measurement");
inline const QString kObservationKind = QStringLiteral("observation");

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

// Reads the row of record `id` into `query`: the record's columns, its kind,
// then `extra` (", verdict"); the reason it could not, empty when it could.
QString readRecordRow(QSqlQuery& query, const QSqlDatabase& db, int schemaVersion, qint64 id,
                      const QString& extra = {});

} // namespace store_internal
