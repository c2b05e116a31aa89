#include "record_store.h"

#include "history_query.h"
#include "record_columns.h"
#include "record_schema.h"
#include "sql_messages.h"
#include "stall_guard.h"
#include "store_connection.h"
#include "store_reads.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <algorithm>
#include <array>
#include <atomic>
#include <limits>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#else
#include <QFileInfo>
#endif

using namespace store_internal;

namespace {

std::atomic<int> g_connections{0};

// The file at `path` as the system identifies it: its device and inode;
// nothing when there is none.
std::optional<std::pair<quint64, quint64>> fileIdentity(const QString& path)
{
#ifdef Q_OS_UNIX
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return std::pair<quint64, quint64>(quint64(info.st_dev), quint64(info.st_ino));
#else
    const QFileInfo file(path); // no inode: its creation time instead
    if (!file.exists())
        return std::nullopt;
    return std::pair<quint64, quint64>(0, quint64(file.birthTime().toMSecsSinceEpoch()));
#endif
}

} // namespace

namespace store_internal {

QString kindColumn(int schemaVersion)
{
    return schemaVersion >= 4 ? QStringLiteral("kind") : QStringLiteral("'measurement'");
}

} // namespace store_internal

RecordStore::~RecordStore()
{
    close();
}

void RecordStore::close()
{
    if (m_connection.isEmpty())
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
    m_connection.clear();
}

Outcome RecordStore::failure(const QString& what, const QString& reason) const
{
    return Outcome::failed(
        QStringLiteral("the record store %1 could not be %2: %3").arg(m_location, what, reason));
}

Outcome RecordStore::open(const QString& storeName, StoreAccess access, QDeadlineTimer deadline)
{
    quietSqlWarnings();
    close();
    m_file.reset();
    m_storeName = storeName;
    m_access = access;
    const StoreTarget s = parseStoreName(storeName);
    m_location = s.location;
    m_origin = s.error.isEmpty() ? storeOrigin(s) : QString();
    if (!s.error.isEmpty())
        return failure(QStringLiteral("opened"), s.error);
    if (const QString reason = connect(deadline); !reason.isEmpty())
        return failure(QStringLiteral("opened"), reason);
    if (!s.postgres && access == StoreAccess::Write)
        m_file = fileIdentity(s.path);
    return Outcome::ok();
}

bool RecordStore::removedOrReplaced() const
{
    return isOpen() && m_file && fileIdentity(parseStoreName(m_storeName).path) != m_file;
}

Outcome RecordStore::written(const QString& reason) const
{
    if (!reason.isEmpty())
        return failure(QStringLiteral("written"), reason);
    if (removedOrReplaced())
        return Outcome::failed(QStringLiteral("the record store %1 was removed or replaced during "
                                              "the measurement, so nothing was kept there")
                                   .arg(m_location));
    return Outcome::ok();
}

namespace store_internal {

QString insertMeasurementsRow(QSqlDatabase& db, const QVariantList& values, qint64* id)
{
    QSqlQuery query(db);
    if (!query.prepare(insertStatement()))
        return sqlReason(query.lastError());
    for (int n = 0; n < int(values.size()); ++n)
        query.bindValue(n, values[n]);
    if (!query.exec() || !query.next())
        return sqlReason(query.lastError());
    *id = query.value(0).toLongLong();
    query.finish();
    return QString();
}

QString runRead(QSqlQuery& query)
{
    return query.exec() ? QString() : sqlReason(query.lastError());
}

} // namespace store_internal

StoreRead RecordStore::beginRead(QString* error) const
{
    return StoreRead(
        isOpen() ? QSqlDatabase::database(m_connection, false) : QSqlDatabase(), m_schemaVersion,
        [this](const QString& reason) { return failure(QStringLiteral("read"), reason).reason(); },
        error);
}

QString StoreRead::recordRow(QSqlQuery& query, qint64 id, const QString& extra) const
{
    if (const QString reason = cannotBegin(); !reason.isEmpty())
        return reason;
    query.setForwardOnly(true);
    if (!query.prepare(
            QStringLiteral("SELECT %1, %2%3 FROM measurements WHERE id = ?")
                .arg(selectedColumns(0, m_schemaVersion), kindColumn(m_schemaVersion), extra)))
        return sqlReason(query.lastError());
    query.bindValue(0, id);
    if (const QString reason = runRead(query); !reason.isEmpty())
        return reason;
    if (!query.next())
        return query.lastError().isValid() ? sqlReason(query.lastError())
                                           : QStringLiteral("it holds no record %1").arg(id);
    return {};
}

QString RecordStore::connect(QDeadlineTimer deadline)
{
    const QString name = QStringLiteral("iec1000-records-%1").arg(++g_connections);
    const QString reason = openStoreConnection(name, parseStoreName(m_storeName), m_access,
                                               deadline, &m_schemaVersion);
    if (reason.isEmpty())
        m_connection = name;
    return reason;
}

QString RecordStore::write(const std::function<QString(QSqlDatabase&)>& statements,
                           QDeadlineTimer deadline)
{
    for (int attempt = 0;; ++attempt) {
        QString reason;
        bool begun = false;
        bool lost = false;
        {
            QSqlDatabase db = QSqlDatabase::database(m_connection, false);
            StallGuard guard(db, deadline);
            reason = inWriteTransaction(db, statements, &begun);
            if (guard.finish())
                return stalledReason();
            lost = !reason.isEmpty() && connectionLost(db);
        }
        // A connection found lost before the transaction began (a restarted
        // server) is made again once; one lost later is not, as its commit
        // may have been done.
        if (reason.isEmpty() || begun || !lost || attempt > 0)
            return reason;
        close();
        if (const QString failed = connect(deadline); !failed.isEmpty())
            return failed;
    }
}

std::optional<Outcome> RecordStore::refusedWrite() const
{
    if (!isOpen())
        return Outcome::failed(QStringLiteral("no record store is open"));
    if (m_access == StoreAccess::Read)
        return failure(QStringLiteral("written"), QStringLiteral("it was opened for reading"));
    return std::nullopt;
}

Outcome RecordStore::add(MeasurementRecord& record, QDeadlineTimer deadline)
{
    if (const std::optional<Outcome> refused = refusedWrite())
        return *refused;
    qint64 id = 0;
    const QString reason = write(
        [&](QSqlDatabase& db) { return insertMeasurementsRow(db, insertValues(record), &id); },
        deadline);
    if (const Outcome outcome = written(reason); !outcome.succeeded())
        return outcome;
    record.id = id;
    record.store = m_origin;
    return Outcome::ok();
}

Outcome RecordStore::updateProduct(qint64 id, const ProductInfo& product)
{
    if (const std::optional<Outcome> refused = refusedWrite())
        return *refused;
    const QString reason = write(
        [&](QSqlDatabase& db) {
            // What the search text is made of besides the product fields.
            QSqlQuery query(db);
            if (!query.prepare(
                    QStringLiteral("SELECT %1, verdict FROM measurements WHERE id = ?")
                        .arg(selectedColumns(RecordColumn::Searched, kRecordSchemaVersion))))
                return sqlReason(query.lastError());
            query.bindValue(0, id);
            if (!query.exec())
                return sqlReason(query.lastError());
            if (!query.next())
                return query.lastError().isValid()
                           ? sqlReason(query.lastError())
                           : QStringLiteral("it holds no record %1").arg(id);
            MeasurementRecord record;
            readColumns(query, RecordColumn::Searched, record);
            record.product = product;
            // The verdict as stored: an observation's may be none of a
            // measurement's ("Incomplete observation").
            const QString verdict = query.value(query.record().count() - 1).toString();
            query.finish();
            QSqlQuery update(db);
            if (!update.prepare(updateProductStatement()))
                return sqlReason(update.lastError());
            QVariantList values = productValues(record);
            int n = 0;
            for (const RecordColumn& column : recordColumns()) {
                if (!(column.uses & RecordColumn::Product))
                    continue;
                if (QLatin1String(column.name) == QLatin1String("search"))
                    values[n] = recordSearchText(product.product, product.serial,
                                                 product.operatorName, product.notes, verdict,
                                                 classLetter(record.choice.productClass));
                ++n;
            }
            values.append(id);
            for (int n = 0; n < int(values.size()); ++n)
                update.bindValue(n, values[n]);
            if (!update.exec())
                return sqlReason(update.lastError());
            return QString();
        },
        QDeadlineTimer(kStoreDeadline));
    return written(reason);
}

std::optional<QString> RecordStore::recordKind(qint64 id, QString* error) const
{
    const std::optional<RecordState> state = recordState(id, error);
    if (!state) {
        if (error && error->isEmpty())
            *error =
                failure(QStringLiteral("read"), QStringLiteral("it holds no record %1").arg(id))
                    .reason();
        return std::nullopt;
    }
    return state->kind;
}

std::optional<MeasurementRecord> RecordStore::record(qint64 id, QString* error) const
{
    StoreRead read = beginRead(error);
    QSqlQuery query(read.db());
    if (const QString reason = read.recordRow(query, id); !reason.isEmpty())
        return read.fail(reason);
    if (const QString kind = query.value(query.record().count() - 1).toString();
        kind != kMeasurementKind)
        return read.fail(QStringLiteral("record %1 is an %2, not a measurement").arg(id).arg(kind));
    MeasurementRecord record;
    switch (readColumns(query, 0, record)) {
    case ColumnFault::None:
        record.store = m_origin;
        record.rules = measurementRules(record.choice.edition);
        return record;
    case ColumnFault::UnknownName:
        return read.fail(
            QStringLiteral("record %1 holds an unknown verdict, class or status").arg(id));
    case ColumnFault::Damaged:
        break;
    }
    return read.fail(QStringLiteral("record %1 holds damaged harmonics").arg(id));
}

QList<RecordSummary> RecordStore::history(int limit, const QString& filter, QString* error) const
{
    HistoryQuery query;
    query.text = filter;
    query.limit = limit;
    return history(query, error);
}

QList<RecordSummary> RecordStore::history(const HistoryQuery& asked, QString* error) const
{
    QList<RecordSummary> summaries;
    StoreRead read = beginRead(error);
    if (const QString reason = read.cannotBegin(); !reason.isEmpty())
        return read.fail(reason);
    TextLookup lookup = TextLookup::Scan;
    if (keepsSearchIndex(read.db(), m_schemaVersion) && indexFinds(asked.text)) {
        // A text few records hold is looked up in the index. One that many
        // hold fills a page soonest from the newest records on, which the
        // index would all hand over first.
        constexpr int kFew = 1000;
        QSqlQuery few(read.db());
        few.setForwardOnly(true);
        if (!few.prepare(QStringLiteral("SELECT count(*) FROM (SELECT rowid FROM "
                                        "measurements_search WHERE measurements_search MATCH ? "
                                        "LIMIT %1)")
                             .arg(kFew)))
            return read.fail(sqlReason(few.lastError()));
        few.bindValue(0, indexPhrase(asked.text));
        if (const QString reason = runRead(few); !reason.isEmpty())
            return read.fail(reason);
        if (!few.next())
            return read.fail(sqlReason(few.lastError()));
        if (asked.limit <= 0 || few.value(0).toInt() < kFew)
            lookup = TextLookup::Index;
    }
    const HistoryCondition condition = historyCondition(asked, m_schemaVersion, lookup);
    QString sql = QStringLiteral("SELECT %1, %2, verdict FROM measurements")
                      .arg(selectedColumns(RecordColumn::InHistory, m_schemaVersion),
                           kindColumn(m_schemaVersion));
    sql += condition.where;
    sql += QStringLiteral(" ORDER BY measured_ms DESC, id DESC");
    // An offset counts only with a limit: a page of the list.
    if (asked.limit > 0)
        sql +=
            QStringLiteral(" LIMIT %1 OFFSET %2").arg(asked.limit).arg(std::max(asked.offset, 0));

    QSqlQuery query(read.db());
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        return read.fail(sqlReason(query.lastError()));
    for (int n = 0; n < int(condition.values.size()); ++n)
        query.bindValue(n, condition.values[n]);
    if (const QString reason = runRead(query); !reason.isEmpty())
        return read.fail(reason);
    // Each row sets every member a summary takes. An unknown verdict lists as
    // "No result received", an unknown class as none.
    MeasurementRecord m;
    while (query.next()) {
        readColumns(query, RecordColumn::InHistory, m);
        const int kind = query.record().count() - 2;
        const QString kindStored = query.value(kind).toString();
        const bool observation = kindStored == kObservationKind || kindStored == kWaveformKind;
        summaries.append({m.id, m.startedAt, m.choice.productClass, m.choice.power.text(),
                          m.result.verdict, m.product.product, m.product.serial,
                          m.product.operatorName, m.port,
                          observation ? kindStored : kMeasurementKind,
                          observation ? query.value(kind + 1).toString() : QString(),
                          m.choice.guardBandPct, isSimulatedDevice(m.device)});
        summaries.last().edition = m.choice.edition;
        if (const std::optional<Verdict> lab = labVerdict(m.result))
            summaries.last().labVerdict = verdictText(*lab);
    }
    // A connection cut while the rows came ends them early.
    if (query.lastError().isValid() || read.finish())
        return read.fail(sqlReason(query.lastError()));
    return summaries;
}

std::optional<RecordState> RecordStore::recordState(qint64 id, QString* error) const
{
    if (error)
        error->clear();
    StoreRead read = beginRead(error);
    if (const QString reason = read.cannotBegin(); !reason.isEmpty())
        return read.fail(reason);
    const bool observations = m_schemaVersion >= 4;
    QSqlQuery query(read.db());
    query.setForwardOnly(true);
    if (!query.prepare(observations
                           ? QStringLiteral("SELECT m.kind, o.finished FROM measurements m "
                                            "LEFT JOIN observations o ON o.id = m.id "
                                            "WHERE m.id = ?")
                           : QStringLiteral("SELECT 'measurement', 1 FROM measurements "
                                            "WHERE id = ?")))
        return read.fail(sqlReason(query.lastError()));
    query.bindValue(0, id);
    if (const QString reason = runRead(query); !reason.isEmpty())
        return read.fail(reason);
    if (!query.next()) {
        if (query.lastError().isValid())
            return read.fail(sqlReason(query.lastError()));
        return std::nullopt;
    }
    RecordState kind;
    kind.kind = query.value(0).toString();
    kind.finished = query.isNull(1) || query.value(1).toInt() != 0;
    return kind;
}
