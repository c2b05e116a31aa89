#pragma once

#include "measurement_record.h"

#include <QString>
#include <QVariant>

#include <span>

class QSqlQuery;

// What reading a column found wrong in a stored record.
enum class ColumnFault {
    None,
    UnknownName, // a verdict, class letter or evaluation status this tool does not know
    Damaged,     // a reply or judgement document of another form
};

// One column of the measurements table: how a record is written to it and
// read back from it.
struct RecordColumn
{
    // What else a column is used for besides insert and record().
    enum Use {
        InHistory = 1, // a history line shows it
        Product = 2,   // updateProduct replaces it
        Searched = 4,  // the search text is made of it besides the product fields
    };
    const char* name;
    // As a SQLite store declares it (PostgreSQL: BIGSERIAL, BYTEA for
    // INTEGER id and BLOB).
    const char* sqlType;
    // The schema version that added it; an older store reads it as NULL.
    int since;
    int uses;
    // The value stored for a record; nullptr for id, which the database
    // assigns.
    QVariant (*write)(const MeasurementRecord& record);
    // Sets the record's member from the stored value (an invalid QVariant
    // for NULL). nullptr for search, which is never read back. A faulty value
    // still sets a stand-in (verdict "No result received", no class).
    // utc_offset is read after measured_ms and completes its time.
    ColumnFault (*read)(const QVariant& value, MeasurementRecord& record);
};

// A reply line as its column holds it: the bytes received (Latin-1, one
// character a byte), NULL for a null line; and back.
QVariant replyLineValue(const QString& line);
QString replyLineOf(const QVariant& value);
// The same with the line as its bytes (as an observation's sample keeps it).
QVariant replyLineValue(const QByteArray& line);
QByteArray replyLineBytesOf(const QVariant& value);

// The measurements table's columns in the order the schema declares them.
std::span<const RecordColumn> recordColumns();

// The columns read back that have every one of `uses` (all read columns for
// 0), comma-separated; for a store of `schemaVersion` a column added later is
// NULL.
QString selectedColumns(int uses, int schemaVersion);
// Reads the current row of a query over selectedColumns(uses, ...) into
// record; the first fault met, in column order, or None.
ColumnFault readColumns(const QSqlQuery& query, int uses, MeasurementRecord& record);

// INSERT of every written column, bound in order by insertValues(); it
// returns the new id.
QString insertStatement();
QVariantList insertValues(const MeasurementRecord& record);

// UPDATE of the Product columns of one record: productValues() in order,
// then the record's id.
QString updateProductStatement();
QVariantList productValues(const MeasurementRecord& record);
