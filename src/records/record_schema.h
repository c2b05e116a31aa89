#pragma once

#include <QSqlDatabase>
#include <QString>

// The schema this tool writes. Version 1 kept the measurement and where it
// was taken; version 2 added the product fields, the tool's version and the
// search text the history filter reads; version 3 the lab, the analyzer
// (instrument) and the test conditions.
inline constexpr int kRecordSchemaVersion = 3;

// Starts a transaction that will write: on SQLite it takes the write lock at
// once (waiting up to the busy timeout), on PostgreSQL it also serialises
// schema changes between clients. Returns the database's reason on failure,
// empty on success.
QString beginWrite(QSqlDatabase& db);
QString commitWrite(QSqlDatabase& db);
void rollbackWrite(QSqlDatabase& db);

// The schema version of the store: 0 for a database without tables, -1 (and
// *reason) when it cannot be read, is newer than this tool knows, or the
// database holds other tables and none of this tool's.
int recordSchemaVersion(QSqlDatabase& db, QString* reason);

// Creates the schema in an empty database or upgrades an older one, each
// step in order, in one transaction; refuses another program's database. Returns the reason it
// failed, empty on success.
QString prepareRecordSchema(QSqlDatabase& db);

// What the history filter matches for a record: its product, serial,
// operator, notes, verdict text and class letter, case-folded.
QString recordSearchText(const QString& product, const QString& serial, const QString& operatorName,
                         const QString& notes, const QString& verdictText,
                         const QString& classLetter);

// The reason an operator reads for a failed statement.
QString sqlReason(const class QSqlError& error);
