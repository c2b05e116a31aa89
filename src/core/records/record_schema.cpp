#include "record_schema.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace {

bool isSqlite(const QSqlDatabase& db)
{
    return db.driverName() == QLatin1String("QSQLITE");
}

// The only differences between the two databases' SQL: how an id is
// generated and what holds raw bytes.
struct Dialect
{
    QString idColumn;
    QString bytesType;
};

Dialect dialect(const QSqlDatabase& db)
{
    if (isSqlite(db))
        return {QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT"), QStringLiteral("BLOB")};
    return {QStringLiteral("BIGSERIAL PRIMARY KEY"), QStringLiteral("BYTEA")};
}

QString run(QSqlDatabase& db, const QString& sql)
{
    if (!db.isOpen())
        return lostConnectionReason();
    QSqlQuery query(db);
    if (!query.exec(sql))
        return sqlReason(query.lastError());
    return {};
}

QString runAll(QSqlDatabase& db, const QStringList& statements)
{
    for (const QString& sql : statements)
        if (QString reason = run(db, sql); !reason.isEmpty())
            return reason;
    return {};
}

// measured_ms: the measured time in ms since the epoch (UTC), the lowest
// qint64 when it was not known; utc_offset: its offset from UTC in seconds,
// NULL when not known. reply and judgement hold JSON objects (the reply's
// fields and texts; the limits, currents and cell states).
QString createVersion1(QSqlDatabase& db)
{
    const Dialect d = dialect(db);
    return runAll(db, {
                          QStringLiteral("CREATE TABLE meta (name TEXT PRIMARY KEY, "
                                         "value TEXT NOT NULL)"),
                          QStringLiteral("INSERT INTO meta (name, value) "
                                         "VALUES ('schema_version', '1')"),
                          QStringLiteral("CREATE TABLE measurements ("
                                         "id %1, "
                                         "measured_ms BIGINT NOT NULL, "
                                         "utc_offset INTEGER, "
                                         "verdict TEXT NOT NULL, "
                                         "problem TEXT, "
                                         "product_class TEXT NOT NULL, "
                                         "power TEXT, "
                                         "evaluation_status TEXT NOT NULL, "
                                         "evaluation_problem TEXT, "
                                         "any_failed INTEGER NOT NULL, "
                                         "reply_line %2, "
                                         "fields_found INTEGER NOT NULL, "
                                         "reply TEXT NOT NULL, "
                                         "judgement TEXT NOT NULL, "
                                         "port TEXT, "
                                         "device TEXT)")
                              .arg(d.idColumn, d.bytesType),
                          QStringLiteral("CREATE INDEX measurements_newest "
                                         "ON measurements (measured_ms DESC, id DESC)"),
                      });
}

QString upgradeTo2(QSqlDatabase& db)
{
    QString reason =
        runAll(db, {
                       QStringLiteral("ALTER TABLE measurements ADD COLUMN product TEXT"),
                       QStringLiteral("ALTER TABLE measurements ADD COLUMN serial TEXT"),
                       QStringLiteral("ALTER TABLE measurements "
                                      "ADD COLUMN operator_name TEXT"),
                       QStringLiteral("ALTER TABLE measurements ADD COLUMN notes TEXT"),
                       QStringLiteral("ALTER TABLE measurements "
                                      "ADD COLUMN tool_version TEXT"),
                       QStringLiteral("ALTER TABLE measurements "
                                      "ADD COLUMN search TEXT NOT NULL DEFAULT ''"),
                   });
    if (!reason.isEmpty())
        return reason;
    // Records of version 1 have no product fields: their search text is the
    // verdict and the class.
    QSqlQuery rows(db);
    rows.setForwardOnly(true);
    if (!rows.exec(QStringLiteral("SELECT id, verdict, product_class FROM measurements")))
        return sqlReason(rows.lastError());
    QList<std::pair<qint64, QString>> searches;
    while (rows.next())
        searches.append(
            {rows.value(0).toLongLong(),
             recordSearchText({}, {}, {}, {}, rows.value(1).toString(), rows.value(2).toString())});
    rows.finish();
    QSqlQuery update(db);
    if (!update.prepare(QStringLiteral("UPDATE measurements SET search = ? WHERE id = ?")))
        return sqlReason(update.lastError());
    for (const auto& [id, search] : searches) {
        update.bindValue(0, search);
        update.bindValue(1, id);
        if (!update.exec())
            return sqlReason(update.lastError());
    }
    return run(db, QStringLiteral("UPDATE meta SET value = '2' WHERE name = 'schema_version'"));
}

// Records of version 2 have no lab fields: they stay NULL, read as empty.
QString upgradeTo3(QSqlDatabase& db)
{
    return runAll(db, {
                          QStringLiteral("ALTER TABLE measurements ADD COLUMN lab TEXT"),
                          QStringLiteral("ALTER TABLE measurements ADD COLUMN instrument TEXT"),
                          QStringLiteral("ALTER TABLE measurements ADD COLUMN conditions TEXT"),
                          QStringLiteral("UPDATE meta SET value = '3' "
                                         "WHERE name = 'schema_version'"),
                      });
}

// An observation is a record of the measurements table of kind
// 'observation': its start, verdict, class, power, product fields and
// search text, with an empty reply and judgement. Its own row keeps the
// duration, elapsed time and interval, whether it was finished and the rule
// set it is judged by; each sample is a row of its own, written as it
// arrives: when it started (s after the start), when it was read, its
// single-cycle verdict and problem, the reply line as received and how much
// of it was read ('whole', 'cut', 'not_read'). Records of version 3 are all
// measurements.
QString upgradeTo4(QSqlDatabase& db)
{
    const Dialect d = dialect(db);
    return runAll(db, {
                          QStringLiteral("ALTER TABLE measurements "
                                         "ADD COLUMN kind TEXT NOT NULL DEFAULT 'measurement'"),
                          QStringLiteral("CREATE TABLE observations ("
                                         "id BIGINT PRIMARY KEY, "
                                         "duration_s INTEGER NOT NULL, "
                                         "elapsed_s DOUBLE PRECISION, "
                                         "sample_interval_s DOUBLE PRECISION, "
                                         "finished INTEGER NOT NULL, "
                                         "rules TEXT NOT NULL)"),
                          QStringLiteral("CREATE TABLE observation_samples ("
                                         "observation_id BIGINT NOT NULL, "
                                         "sample_index INTEGER NOT NULL, "
                                         "start_s DOUBLE PRECISION NOT NULL, "
                                         "measured_ms BIGINT NOT NULL, "
                                         "utc_offset INTEGER, "
                                         "verdict TEXT NOT NULL, "
                                         "problem TEXT, "
                                         "reply_line %1, "
                                         "reply TEXT NOT NULL, "
                                         "PRIMARY KEY (observation_id, sample_index))")
                              .arg(d.bytesType),
                          QStringLiteral("UPDATE meta SET value = '4' "
                                         "WHERE name = 'schema_version'"),
                      });
}

// The guard band (%) a measurement or an observation was judged under.
// Records of version 4 were judged without one: NULL, read as 0.
QString upgradeTo5(QSqlDatabase& db)
{
    return runAll(db, {
                          QStringLiteral("ALTER TABLE measurements "
                                         "ADD COLUMN guard_band_pct DOUBLE PRECISION"),
                          QStringLiteral("UPDATE meta SET value = '5' "
                                         "WHERE name = 'schema_version'"),
                      });
}

// SQLite: a full-text index of the search text, by every three characters
// (trigrams, taken as they are: the text is case-folded already), so that a
// filter finds its records without reading every row. Triggers keep it as
// records are written, changed or removed; the records already kept are
// indexed now. PostgreSQL keeps none (its filter reads every row).
QString upgradeTo6(QSqlDatabase& db)
{
    if (!isSqlite(db))
        return run(db, QStringLiteral("UPDATE meta SET value = '6' WHERE name = 'schema_version'"));
    const QString removed =
        QStringLiteral("INSERT INTO measurements_search (measurements_search, rowid, search) "
                       "VALUES ('delete', old.id, old.search); ");
    const QString added = QStringLiteral(
        "INSERT INTO measurements_search (rowid, search) VALUES (new.id, new.search); ");
    return runAll(db,
                  {
                      QStringLiteral("CREATE VIRTUAL TABLE measurements_search USING fts5(search, "
                                     "content = 'measurements', content_rowid = 'id', "
                                     "tokenize = 'trigram case_sensitive 1')"),
                      QStringLiteral("CREATE TRIGGER measurements_search_added AFTER INSERT ON "
                                     "measurements BEGIN %1END")
                          .arg(added),
                      QStringLiteral("CREATE TRIGGER measurements_search_removed AFTER DELETE ON "
                                     "measurements BEGIN %1END")
                          .arg(removed),
                      QStringLiteral("CREATE TRIGGER measurements_search_changed AFTER UPDATE OF "
                                     "search ON measurements BEGIN %1%2END")
                          .arg(removed, added),
                      QStringLiteral("INSERT INTO measurements_search (measurements_search) "
                                     "VALUES ('rebuild')"),
                      QStringLiteral("UPDATE meta SET value = '6' WHERE name = 'schema_version'"),
                  });
}

// The edition a record was judged by and its equipment category. Records of
// version 6 were all judged by IEC 1000-3-2 (1995): NULL, read as 1995.
QString upgradeTo7(QSqlDatabase& db)
{
    return runAll(db, {
                          QStringLiteral("ALTER TABLE measurements ADD COLUMN edition TEXT"),
                          QStringLiteral("ALTER TABLE measurements ADD COLUMN professional INTEGER"),
                          QStringLiteral("ALTER TABLE measurements ADD COLUMN lab_verdict TEXT"),
                          QStringLiteral("UPDATE meta SET value = '7' "
                                         "WHERE name = 'schema_version'"),
                      });
}

// A recording judged window by window is a record of kind 'waveform': an
// observation whose samples are its DFT windows, each holding its values
// (window_values: V, A, W, PF, Hz, the fundamental in A and orders 2 to 40
// in mA) instead of a reply line; its own row in recordings names the file
// (as given), its size and SHA-256, and keeps what the analysis found beside
// the harmonics (facts, a JSON document). Never the recording's samples.
QString upgradeTo8(QSqlDatabase& db)
{
    return runAll(db, {
                          QStringLiteral("ALTER TABLE observation_samples "
                                         "ADD COLUMN window_values TEXT"),
                          QStringLiteral("CREATE TABLE recordings ("
                                         "id BIGINT PRIMARY KEY, "
                                         "file TEXT NOT NULL, "
                                         "size_bytes BIGINT NOT NULL, "
                                         "sha256 TEXT NOT NULL, "
                                         "facts TEXT NOT NULL)"),
                          QStringLiteral("UPDATE meta SET value = '8' "
                                         "WHERE name = 'schema_version'"),
                      });
}

// steps[n] brings a store of version n to version n + 1; version 0 is an
// empty database.
using Step = QString (*)(QSqlDatabase&);
constexpr Step kSteps[kRecordSchemaVersion] = {createVersion1, upgradeTo2, upgradeTo3,
                                               upgradeTo4,     upgradeTo5, upgradeTo6,
                                               upgradeTo7,     upgradeTo8};

// The tables of the database that are not this tool's, sorted.
QStringList otherTables(QSqlDatabase& db, QString* reason)
{
    QSqlQuery query(db);
    const QString sql =
        isSqlite(db) ? QStringLiteral("SELECT name FROM sqlite_master WHERE type IN "
                                      "('table', 'view') AND name NOT LIKE 'sqlite\\_%' "
                                      "ESCAPE '\\' ORDER BY name")
                     : QStringLiteral("SELECT table_name FROM information_schema.tables "
                                      "WHERE table_schema = current_schema() ORDER BY table_name");
    QStringList names;
    if (!query.exec(sql)) {
        *reason = sqlReason(query.lastError());
        return names;
    }
    while (query.next())
        names.append(query.value(0).toString());
    names.removeAll(QStringLiteral("meta"));
    names.removeAll(QStringLiteral("measurements"));
    names.removeAll(QStringLiteral("observations"));
    names.removeAll(QStringLiteral("observation_samples"));
    names.removeAll(QStringLiteral("recordings"));
    return names;
}

} // namespace

int recordSchemaVersion(QSqlDatabase& db, QString* reason, QSqlError* error)
{
    QSqlQuery query(db);
    const QString sql = isSqlite(db)
                            ? QStringLiteral("SELECT count(*) FROM sqlite_master "
                                             "WHERE type = 'table' AND name = 'meta'")
                            : QStringLiteral("SELECT count(*) FROM information_schema.tables "
                                             "WHERE table_schema = current_schema() "
                                             "AND table_name = 'meta'");
    if (!query.exec(sql) || !query.next()) {
        *reason = sqlReason(query.lastError());
        if (error)
            *error = query.lastError();
        return -1;
    }
    if (query.value(0).toInt() == 0) {
        // Another program's database: none of its tables is touched.
        const QStringList others = otherTables(db, reason);
        if (!reason->isEmpty())
            return -1;
        if (others.isEmpty())
            return 0;
        *reason = QStringLiteral("it is another program's database (it holds the tables %1 and "
                                 "none of this tool's); name a store of its own")
                      .arg(others.join(QStringLiteral(", ")));
        return -1;
    }
    if (!query.exec(QStringLiteral("SELECT value FROM meta WHERE name = 'schema_version'")) ||
        !query.next()) {
        *reason = query.lastError().isValid() ? sqlReason(query.lastError())
                                              : QStringLiteral("it holds no schema version");
        return -1;
    }
    bool ok = false;
    const int version = query.value(0).toString().toInt(&ok);
    if (!ok || version < 1) {
        *reason =
            QStringLiteral("its schema version \"%1\" is not valid").arg(query.value(0).toString());
        return -1;
    }
    if (version > kRecordSchemaVersion) {
        *reason = QStringLiteral("it has schema version %1; this tool knows versions up to %2")
                      .arg(version)
                      .arg(kRecordSchemaVersion);
        return -1;
    }
    return version;
}

QString lostConnectionReason()
{
    return QStringLiteral("the connection to the server was lost");
}

QString sqlReason(const QSqlError& error)
{
    // simplified(): libpq's reasons span lines.
    QString text = error.databaseText().simplified();
    if (text.isEmpty())
        text = error.driverText().simplified();
    if (text.isEmpty())
        text = QStringLiteral("unknown database error");
    return text;
}

QString inWriteTransaction(QSqlDatabase& db,
                           const std::function<QString(QSqlDatabase&)>& statements, bool* begun)
{
    if (begun)
        *begun = false;
    QString reason =
        run(db, isSqlite(db) ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN"));
    if (!reason.isEmpty())
        return reason;
    // Any constant: every client of this store takes the same lock.
    if (!isSqlite(db))
        reason = run(db, QStringLiteral("SELECT pg_advisory_xact_lock(1000320201)"));
    if (reason.isEmpty()) {
        if (begun)
            *begun = true;
        reason = statements(db);
        if (reason.isEmpty()) {
            reason = run(db, QStringLiteral("COMMIT"));
            // PostgreSQL ends a transaction whose COMMIT failed; SQLite keeps
            // it (a busy database) until it is rolled back.
            if (!reason.isEmpty() && !isSqlite(db))
                return reason;
        }
    }
    // Not on a lost connection: there is nothing to roll back.
    if (!reason.isEmpty() && db.isOpen())
        run(db, QStringLiteral("ROLLBACK"));
    return reason;
}

QString prepareRecordSchema(QSqlDatabase& db)
{
    QString reason;
    // A quick look first, so that a current store is not write-locked.
    const int version = recordSchemaVersion(db, &reason);
    if (version == kRecordSchemaVersion)
        return {};
    if (version < 0)
        return reason;
    return inWriteTransaction(db, [](QSqlDatabase& db) {
        // Another client may have upgraded it meanwhile.
        QString reason;
        const int version = recordSchemaVersion(db, &reason);
        for (int step = version; reason.isEmpty() && step < kRecordSchemaVersion; ++step)
            reason = kSteps[step](db);
        return reason;
    });
}

bool keepsSearchIndex(const QSqlDatabase& db, int schemaVersion)
{
    return schemaVersion >= 6 && isSqlite(db);
}

QString recordSearchText(const QString& product, const QString& serial, const QString& operatorName,
                         const QString& notes, const QString& verdictText,
                         const QString& classLetter)
{
    // The unit separator keeps a filter from matching across two fields.
    return QStringList{product, serial, operatorName, notes, verdictText, classLetter}
        .join(QChar(0x1f))
        .toCaseFolded();
}
