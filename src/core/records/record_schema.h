#pragma once

#include <QSqlDatabase>
#include <QString>

#include <functional>

// The schema this tool writes. Version 1 kept the measurement and where it
// was taken; version 2 added the product fields, the tool's version and the
// search text the history filter reads; version 3 the lab, the analyzer
// (instrument) and the test conditions; version 4 the timed observations:
// a kind for each record of the measurements table, an observation's own
// row and its samples; version 5 the guard band a record was judged under;
// version 6 (SQLite) the full-text index of the search text.
inline constexpr int kRecordSchemaVersion = 8;

// Runs `statements` in one transaction that writes, commits it when they
// return no reason and rolls it back otherwise. Begun on SQLite it holds the
// write lock at once (waiting up to the busy timeout); on PostgreSQL it also
// serialises schema changes between clients. *begun (when given): whether
// the transaction was begun. Returns the database's reason on failure, empty
// on success.
QString inWriteTransaction(QSqlDatabase& db,
                           const std::function<QString(QSqlDatabase&)>& statements,
                           bool* begun = nullptr);

// The schema version of the store: 0 for a database without tables, -1 (and
// *reason) when it cannot be read, is newer than this tool knows, or the
// database holds other tables and none of this tool's. *error (when given):
// the database's error when it could not be read.
int recordSchemaVersion(QSqlDatabase& db, QString* reason, class QSqlError* error = nullptr);

// Creates the schema in an empty database or upgrades an older one, each
// step in order, in one transaction; refuses another program's database.
// Returns the reason it failed, empty on success.
QString prepareRecordSchema(QSqlDatabase& db);

// Whether a store of `schemaVersion` on `db` keeps the full-text index
// measurements_search of the search text (SQLite from version 6).
bool keepsSearchIndex(const QSqlDatabase& db, int schemaVersion);

// What the history filter matches for a record: its product, serial,
// operator, notes, verdict text and class letter, case-folded.
QString recordSearchText(const QString& product, const QString& serial, const QString& operatorName,
                         const QString& notes, const QString& verdictText,
                         const QString& classLetter);

// The reason an operator reads for a failed statement.
QString sqlReason(const class QSqlError& error);

// The reason a statement gives on a connection found lost (a stopped or
// restarted server, a stall cut off); no statement is sent on one, as Qt
// would warn on standard error.
QString lostConnectionReason();
