#include "record_store.h"

#include "record_schema.h"
#include "stall_guard.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QUrl>
#include <QUrlQuery>
#include <QVariant>

#include <algorithm>
#include <atomic>
#include <limits>

namespace {

// What a store name names: a SQLite file or a PostgreSQL database.
struct StoreTarget
{
    bool postgres = false;
    QString path; // SQLite
    QString host;
    int port = 5432;
    QString user;
    QString password;
    QString dbName;
    QString location;
    QString error; // why the name names no store; empty when it does
};

// The store name as a message may show it: without a password, also when
// the name does not parse (everything from the first ':' after the user name
// to the last '@' goes, and a "password" query item).
QString withoutPassword(const QString& storeName)
{
    const qsizetype authority = storeName.indexOf(QLatin1String("://"));
    if (authority < 0)
        return storeName;
    QString shown = storeName;
    const qsizetype at = shown.lastIndexOf(QLatin1Char('@'));
    const qsizetype colon = shown.indexOf(QLatin1Char(':'), authority + 3);
    if (colon >= 0 && colon < at)
        shown.remove(colon, at - colon);
    static const QRegularExpression passwordItem(QStringLiteral("[?&]password=[^&]*"),
                                                 QRegularExpression::CaseInsensitiveOption);
    shown.replace(passwordItem, QString());
    return shown;
}

StoreTarget parseStoreName(const QString& storeName)
{
    StoreTarget s;
    s.location = withoutPassword(storeName);
    if (storeName.trimmed().isEmpty()) {
        s.error = QStringLiteral("no record store was named");
        return s;
    }
    const bool postgres = storeName.startsWith(QLatin1String("postgresql://")) ||
                          storeName.startsWith(QLatin1String("postgres://"));
    if (!postgres) {
        s.path = storeName.startsWith(QLatin1String("sqlite:")) ? storeName.mid(7) : storeName;
        if (s.path.contains(QLatin1String("://")))
            s.error = QStringLiteral("it is neither a SQLite file nor a postgresql:// URL");
        else if (s.path.isEmpty())
            s.error = QStringLiteral("no SQLite file was named");
        else
            s.location = s.path;
        return s;
    }
    s.postgres = true;
    const QUrl url(storeName, QUrl::StrictMode);
    if (!url.isValid()) {
        // Only the kind of fault: what follows it quotes the URL.
        const QString fault =
            url.errorString().section(QLatin1Char(';'), 0, 0).section(QLatin1String(" ("), 0, 0);
        s.error = QStringLiteral("it is not a valid URL (%1; give a password in PGPASSWORD or "
                                 "~/.pgpass instead)")
                      .arg(fault);
        return s;
    }
    const QUrlQuery query(url);
    s.host = query.hasQueryItem(QStringLiteral("host"))
                 ? query.queryItemValue(QStringLiteral("host"), QUrl::FullyDecoded)
                 : url.host(QUrl::FullyDecoded);
    s.port = url.port(5432);
    if (query.hasQueryItem(QStringLiteral("port"))) {
        bool ok = false;
        s.port = query.queryItemValue(QStringLiteral("port")).toInt(&ok);
        if (!ok)
            s.error = QStringLiteral("its port is not a number");
    }
    s.user = url.userName(QUrl::FullyDecoded);
    s.password = url.password(QUrl::FullyDecoded);
    s.dbName = url.path(QUrl::FullyDecoded).mid(1);
    if (s.dbName.isEmpty())
        s.error = QStringLiteral("it names no database");
    return s;
}

// A text column or JSON value of its own: NULL for a null QString, so that a
// field that was not found loads as null and an empty one as empty.
QString nonNull(const QString& text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

QString textAt(const QSqlQuery& query, int column)
{
    return query.isNull(column) ? QString() : nonNull(query.value(column).toString());
}

QJsonValue jsonText(const QString& text)
{
    return text.isNull() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
}

QString textOf(const QJsonValue& value)
{
    return value.isNull() ? QString() : nonNull(value.toString());
}

template <std::size_t N> QJsonArray jsonTexts(const std::array<QString, N>& texts)
{
    QJsonArray array;
    for (const QString& text : texts)
        array.append(jsonText(text));
    return array;
}

template <std::size_t N> bool readTexts(const QJsonValue& value, std::array<QString, N>* texts)
{
    const QJsonArray array = value.toArray();
    if (array.size() != qsizetype(N))
        return false;
    for (std::size_t n = 0; n < N; ++n)
        (*texts)[n] = textOf(array[qsizetype(n)]);
    return true;
}

QString toJson(const QJsonObject& object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QString replyJson(const ParsedReply& reply)
{
    return toJson({{QStringLiteral("fields"), jsonTexts(reply.fields)},
                   {QStringLiteral("watts"), jsonText(reply.watts)},
                   {QStringLiteral("volts"), jsonText(reply.volts)},
                   {QStringLiteral("amps"), jsonText(reply.amps)},
                   {QStringLiteral("powerFactor"), jsonText(reply.powerFactor)},
                   {QStringLiteral("frequency"), jsonText(reply.frequency)},
                   {QStringLiteral("fundAmp"), jsonText(reply.fundAmp)},
                   {QStringLiteral("harmonics"), jsonTexts(reply.harmonics)}});
}

bool readReplyJson(const QString& json, ParsedReply* reply)
{
    const QJsonObject o = QJsonDocument::fromJson(json.toUtf8()).object();
    reply->watts = textOf(o[QStringLiteral("watts")]);
    reply->volts = textOf(o[QStringLiteral("volts")]);
    reply->amps = textOf(o[QStringLiteral("amps")]);
    reply->powerFactor = textOf(o[QStringLiteral("powerFactor")]);
    reply->frequency = textOf(o[QStringLiteral("frequency")]);
    reply->fundAmp = textOf(o[QStringLiteral("fundAmp")]);
    return readTexts(o[QStringLiteral("fields")], &reply->fields) &&
           readTexts(o[QStringLiteral("harmonics")], &reply->harmonics);
}

QString judgementJson(const Judgement& judgement)
{
    QJsonArray states;
    for (CellState state : judgement.states)
        states.append(cellStateName(state));
    return toJson({{QStringLiteral("limits"), jsonTexts(judgement.limits)},
                   {QStringLiteral("currents"), jsonTexts(judgement.currents)},
                   {QStringLiteral("states"), states}});
}

bool readJudgementJson(const QString& json, Judgement* judgement)
{
    const QJsonObject o = QJsonDocument::fromJson(json.toUtf8()).object();
    const QJsonArray states = o[QStringLiteral("states")].toArray();
    if (states.size() != kHarmonicCells)
        return false;
    for (int n = 0; n < kHarmonicCells; ++n) {
        const std::optional<CellState> state = cellStateFromName(states[n].toString());
        if (!state)
            return false;
        judgement->states[std::size_t(n)] = *state;
    }
    return readTexts(o[QStringLiteral("limits")], &judgement->limits) &&
           readTexts(o[QStringLiteral("currents")], &judgement->currents);
}

constexpr std::array<const char*, 3> kStatusNames{"judged", "not_judged", "no_class"};

std::optional<Evaluation::Status> statusFromName(const QString& name)
{
    for (std::size_t n = 0; n < kStatusNames.size(); ++n)
        if (name == QLatin1String(kStatusNames[n]))
            return Evaluation::Status(n);
    return std::nullopt;
}

// The reply line as the bytes received (Latin-1, one character a byte).
QVariant lineBytes(const QString& line)
{
    if (line.isNull())
        return QVariant(QMetaType::fromType<QByteArray>());
    const QByteArray bytes = line.toLatin1();
    return bytes.isEmpty() ? QByteArray("", 0) : bytes;
}

QString lineAt(const QSqlQuery& query, int column)
{
    return query.isNull(column) ? QString()
                                : nonNull(QString::fromLatin1(query.value(column).toByteArray()));
}

// An unknown measured time sorts as the oldest.
constexpr qint64 kUnknownTime = std::numeric_limits<qint64>::min();

QDateTime timeAt(const QSqlQuery& query, int msColumn, int offsetColumn)
{
    if (query.isNull(offsetColumn))
        return {};
    return QDateTime::fromMSecsSinceEpoch(query.value(msColumn).toLongLong(), Qt::OffsetFromUTC,
                                          query.value(offsetColumn).toInt());
}

std::optional<ProductClass> classFromColumn(const QString& letter)
{
    if (letter.isEmpty())
        return ProductClass::None;
    return classFromLetter(letter);
}

std::atomic<int> g_connections{0};

} // namespace

QString defaultRecordStore()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/iec1000/records.sqlite");
}

QString recordStoreName(const QString& dbOption)
{
    if (!dbOption.isEmpty())
        return dbOption;
    const QString fromEnvironment = qEnvironmentVariable("IEC1000_DB");
    return fromEnvironment.isEmpty() ? defaultRecordStore() : fromEnvironment;
}

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
    close();
    m_storeName = storeName;
    m_access = access;
    const StoreTarget s = parseStoreName(storeName);
    m_location = s.location;
    if (!s.error.isEmpty())
        return failure(QStringLiteral("opened"), s.error);
    if (const QString reason = connect(deadline); !reason.isEmpty())
        return failure(QStringLiteral("opened"), reason);
    return Outcome::ok();
}

namespace {

QString stalled()
{
    return QStringLiteral("the server stopped answering (no answer within %1 s)")
        .arg(kStoreDeadline.count() / 1000);
}

// Readies a new connection: the session's settings, the schema check, and
// for a writer the journal and the schema itself. *version: the schema
// version it has then. The reason it failed, empty on success.
QString prepareConnection(QSqlDatabase& db, bool postgres, StoreAccess access, int* version)
{
    const bool reader = access == StoreAccess::Read;
    QSqlQuery query(db);
    if (postgres) {
        // The server's own bound on a statement waiting for a lock.
        if (!query.exec(QStringLiteral("SET statement_timeout = %1").arg(kStoreDeadline.count())))
            return sqlReason(query.lastError());
        if (reader && !query.exec(QStringLiteral("SET default_transaction_read_only = on")))
            return sqlReason(query.lastError());
    }
    QString reason;
    *version = recordSchemaVersion(db, &reason);
    if (*version < 0)
        return reason;
    if (reader)
        return *version == 0 ? QStringLiteral("it holds no records of this tool") : QString();
    if (!postgres) {
        if (!query.exec(QStringLiteral("PRAGMA journal_mode=WAL")) || !query.next())
            return sqlReason(query.lastError());
        if (query.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
            return QStringLiteral("its file system does not allow a write-ahead log");
        // FULL, not NORMAL: with NORMAL a power cut may lose the last
        // records the operator saw saved; one sync per measurement cycle
        // (about 8 s) costs nothing.
        if (!query.exec(QStringLiteral("PRAGMA synchronous=FULL")))
            return sqlReason(query.lastError());
    }
    query.finish();
    reason = prepareRecordSchema(db);
    if (reason.isEmpty())
        *version = kRecordSchemaVersion;
    return reason;
}

} // namespace

QString RecordStore::connect(QDeadlineTimer deadline)
{
    const StoreTarget s = parseStoreName(m_storeName);
    const QString driver = s.postgres ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE");
    if (!QSqlDatabase::isDriverAvailable(driver))
        return QStringLiteral("the Qt SQL driver %1 is not installed").arg(driver);

    const bool reader = m_access == StoreAccess::Read;
    if (!s.postgres) {
        const QFileInfo file(s.path);
        if (reader && !file.exists())
            return QStringLiteral("there is no such file");
        const QDir folder = file.absoluteDir();
        if (!folder.exists() && (reader || !QDir().mkpath(folder.absolutePath())))
            return QStringLiteral("the folder %1 does not exist")
                .arg(QDir::toNativeSeparators(folder.absolutePath()));
    }

    const QString name = QStringLiteral("iec1000-records-%1").arg(++g_connections);
    QString reason;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(driver, name);
        if (s.postgres) {
            db.setHostName(s.host);
            db.setPort(s.port);
            db.setUserName(s.user);
            db.setPassword(s.password);
            db.setDatabaseName(s.dbName);
            // connect_timeout: whole seconds, at least 2, for each address.
            // Over TCP, unacknowledged data or unanswered keepalives end the
            // connection after 10 s; the stall guard bounds the rest.
            const qint64 connectSeconds = std::clamp<qint64>(deadline.remainingTime() / 1000, 2, 5);
            db.setConnectOptions(
                QStringLiteral("connect_timeout=%1;keepalives=1;keepalives_idle=4;"
                               "keepalives_interval=2;keepalives_count=3;tcp_user_timeout=%2")
                    .arg(connectSeconds)
                    .arg(kStoreDeadline.count()));
        } else {
            db.setDatabaseName(s.path);
            // In ms: how long a statement waits for another writer to finish.
            db.setConnectOptions(
                reader ? QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000")
                       : QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        }
        if (!db.open()) {
            reason = sqlReason(db.lastError());
        } else {
            StallGuard guard(db, deadline);
            reason = prepareConnection(db, s.postgres, m_access, &m_schemaVersion);
            if (guard.finish())
                reason = stalled();
        }
        if (!reason.isEmpty())
            db.close();
    }
    if (!reason.isEmpty()) {
        QSqlDatabase::removeDatabase(name);
        return reason;
    }
    m_connection = name;
    return {};
}

template <typename Statements>
QString RecordStore::write(Statements statements, QDeadlineTimer deadline)
{
    for (int attempt = 0;; ++attempt) {
        QString reason;
        bool begun = false;
        bool lost = false;
        {
            QSqlDatabase db = QSqlDatabase::database(m_connection, false);
            StallGuard guard(db, deadline);
            reason = beginWrite(db);
            begun = reason.isEmpty();
            if (begun) {
                reason = statements(db);
                if (reason.isEmpty())
                    reason = commitWrite(db);
                if (!reason.isEmpty())
                    rollbackWrite(db);
            }
            if (guard.finish())
                return stalled();
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

Outcome RecordStore::add(MeasurementRecord& record, QDeadlineTimer deadline)
{
    if (!isOpen())
        return Outcome::failed(QStringLiteral("no record store is open"));
    if (m_access == StoreAccess::Read)
        return failure(QStringLiteral("written"), QStringLiteral("it was opened for reading"));
    const CycleResult& r = record.result;
    const Judgement& j = r.judgement;
    const QDateTime& at = r.measuredAt;
    qint64 id = 0;
    const QString reason = write(
        [&](QSqlDatabase& db) {
            QSqlQuery query(db);
            if (!query.prepare(QStringLiteral(
                    "INSERT INTO measurements (measured_ms, utc_offset, verdict, problem, "
                    "product_class, power, evaluation_status, evaluation_problem, any_failed, "
                    "reply_line, fields_found, reply, judgement, port, device, product, serial, "
                    "operator_name, notes, tool_version, search, lab, instrument, conditions) "
                    "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) "
                    "RETURNING id")))
                return sqlReason(query.lastError());
            const QVariant values[] = {
                at.isValid() ? at.toMSecsSinceEpoch() : kUnknownTime,
                at.isValid() ? QVariant(at.offsetFromUtc()) : QVariant(QMetaType::fromType<int>()),
                verdictText(r.verdict),
                r.problem,
                nonNull(classLetter(j.productClass)),
                j.power,
                QString::fromLatin1(kStatusNames[std::size_t(j.evaluation.status)]),
                j.evaluation.problem,
                j.anyFailed ? 1 : 0,
                lineBytes(r.reply.line),
                r.reply.fieldsFound,
                replyJson(r.reply),
                judgementJson(j),
                record.port,
                record.device,
                record.product.product,
                record.product.serial,
                record.product.operatorName,
                record.product.notes,
                record.toolVersion,
                recordSearchText(record.product.product, record.product.serial,
                                 record.product.operatorName, record.product.notes,
                                 verdictText(r.verdict), classLetter(j.productClass)),
                record.product.lab,
                record.product.instrument,
                record.product.conditions,
            };
            for (int n = 0; n < int(std::size(values)); ++n)
                query.bindValue(n, values[n]);
            if (!query.exec() || !query.next())
                return sqlReason(query.lastError());
            id = query.value(0).toLongLong();
            return QString();
        },
        deadline);
    if (!reason.isEmpty())
        return failure(QStringLiteral("written"), reason);
    record.id = id;
    return Outcome::ok();
}

Outcome RecordStore::updateProduct(qint64 id, const ProductInfo& product)
{
    if (!isOpen())
        return Outcome::failed(QStringLiteral("no record store is open"));
    if (m_access == StoreAccess::Read)
        return failure(QStringLiteral("written"), QStringLiteral("it was opened for reading"));
    const QString reason = write(
        [&](QSqlDatabase& db) {
            QSqlQuery query(db);
            if (!query.prepare(
                    QStringLiteral("SELECT verdict, product_class FROM measurements WHERE id = ?")))
                return sqlReason(query.lastError());
            query.bindValue(0, id);
            if (!query.exec())
                return sqlReason(query.lastError());
            if (!query.next())
                return query.lastError().isValid()
                           ? sqlReason(query.lastError())
                           : QStringLiteral("it holds no record %1").arg(id);
            const QString search = recordSearchText(
                product.product, product.serial, product.operatorName, product.notes,
                query.value(0).toString(), query.value(1).toString());
            query.finish();
            QSqlQuery update(db);
            if (!update.prepare(QStringLiteral(
                    "UPDATE measurements SET product = ?, serial = ?, operator_name = ?, "
                    "notes = ?, search = ?, lab = ?, instrument = ?, conditions = ? "
                    "WHERE id = ?")))
                return sqlReason(update.lastError());
            const QVariant values[] = {product.product, product.serial,     product.operatorName,
                                       product.notes,   search,             product.lab,
                                       product.instrument, product.conditions, id};
            for (int n = 0; n < int(std::size(values)); ++n)
                update.bindValue(n, values[n]);
            if (!update.exec())
                return sqlReason(update.lastError());
            return QString();
        },
        QDeadlineTimer(kStoreDeadline));
    if (!reason.isEmpty())
        return failure(QStringLiteral("written"), reason);
    return Outcome::ok();
}

std::optional<MeasurementRecord> RecordStore::record(qint64 id, QString* error) const
{
    const auto fail = [&](const QString& reason) -> std::optional<MeasurementRecord> {
        if (error)
            *error = failure(QStringLiteral("read"), reason).reason();
        return std::nullopt;
    };
    if (!isOpen())
        return fail(QStringLiteral("it is not open"));
    const QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery query(db);
    query.setForwardOnly(true);
    // Version 1 had no product fields and no tool version, version 2 no lab
    // fields.
    if (!query.prepare(
            QStringLiteral("SELECT measured_ms, utc_offset, verdict, problem, product_class, "
                           "power, evaluation_status, evaluation_problem, any_failed, reply_line, "
                           "fields_found, reply, judgement, port, device, %1, %2 "
                           "FROM measurements WHERE id = ?")
                .arg(m_schemaVersion >= 2 ? QLatin1String("product, serial, operator_name, notes, "
                                                          "tool_version")
                                          : QLatin1String("NULL, NULL, NULL, NULL, NULL"),
                     m_schemaVersion >= 3 ? QLatin1String("lab, instrument, conditions")
                                          : QLatin1String("NULL, NULL, NULL"))))
        return fail(sqlReason(query.lastError()));
    query.bindValue(0, id);
    StallGuard guard(db, QDeadlineTimer(kStoreDeadline));
    const bool executed = query.exec();
    if (guard.finish())
        return fail(stalled());
    if (!executed)
        return fail(sqlReason(query.lastError()));
    if (!query.next())
        return fail(query.lastError().isValid() ? sqlReason(query.lastError())
                                                : QStringLiteral("it holds no record %1").arg(id));

    MeasurementRecord record;
    record.id = id;
    CycleResult& r = record.result;
    Judgement& j = r.judgement;
    r.measuredAt = timeAt(query, 0, 1);
    const std::optional<Verdict> verdict = verdictFromText(query.value(2).toString());
    const std::optional<ProductClass> productClass = classFromColumn(query.value(4).toString());
    const std::optional<Evaluation::Status> status = statusFromName(query.value(6).toString());
    if (!verdict || !productClass || !status)
        return fail(QStringLiteral("record %1 holds an unknown verdict, class or status").arg(id));
    r.verdict = *verdict;
    r.problem = textAt(query, 3);
    j.productClass = *productClass;
    j.power = textAt(query, 5);
    j.evaluation.status = *status;
    j.evaluation.problem = textAt(query, 7);
    j.anyFailed = query.value(8).toInt() != 0;
    r.reply.line = lineAt(query, 9);
    r.reply.fieldsFound = query.value(10).toInt();
    if (!readReplyJson(query.value(11).toString(), &r.reply) ||
        !readJudgementJson(query.value(12).toString(), &j))
        return fail(QStringLiteral("record %1 holds damaged harmonics").arg(id));
    record.port = textAt(query, 13);
    record.device = textAt(query, 14);
    record.product.product = textAt(query, 15);
    record.product.serial = textAt(query, 16);
    record.product.operatorName = textAt(query, 17);
    record.product.notes = textAt(query, 18);
    record.toolVersion = textAt(query, 19);
    record.product.lab = textAt(query, 20);
    record.product.instrument = textAt(query, 21);
    record.product.conditions = textAt(query, 22);
    return record;
}

QList<RecordSummary> RecordStore::history(int limit, const QString& filter, QString* error) const
{
    QList<RecordSummary> summaries;
    const auto fail = [&](const QString& reason) {
        if (error)
            *error = failure(QStringLiteral("read"), reason).reason();
        return QList<RecordSummary>();
    };
    if (!isOpen())
        return fail(QStringLiteral("it is not open"));
    // Version 1 had no product fields; its records match by verdict and class.
    const bool current = m_schemaVersion >= 2;
    QString sql = QStringLiteral("SELECT id, measured_ms, utc_offset, product_class, power, "
                                 "verdict, %1, port FROM measurements")
                      .arg(current ? QLatin1String("product, serial, operator_name")
                                   : QLatin1String("NULL, NULL, NULL"));
    if (!filter.isEmpty())
        sql += current ? QStringLiteral(" WHERE search LIKE ? ESCAPE '\\'")
                       : QStringLiteral(" WHERE lower(verdict) LIKE ? ESCAPE '\\' "
                                        "OR lower(product_class) LIKE ? ESCAPE '\\'");
    sql += QStringLiteral(" ORDER BY measured_ms DESC, id DESC");
    if (limit > 0)
        sql += QStringLiteral(" LIMIT %1").arg(limit);

    const QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        return fail(sqlReason(query.lastError()));
    if (!filter.isEmpty()) {
        QString pattern = filter.toCaseFolded();
        pattern.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
            .replace(QLatin1Char('%'), QLatin1String("\\%"))
            .replace(QLatin1Char('_'), QLatin1String("\\_"));
        pattern = QLatin1Char('%') + pattern + QLatin1Char('%');
        query.bindValue(0, pattern);
        if (!current)
            query.bindValue(1, pattern);
    }
    StallGuard guard(db, QDeadlineTimer(kStoreDeadline));
    const bool executed = query.exec();
    if (guard.finish())
        return fail(stalled());
    if (!executed)
        return fail(sqlReason(query.lastError()));
    while (query.next()) {
        RecordSummary s;
        s.id = query.value(0).toLongLong();
        s.measuredAt = timeAt(query, 1, 2);
        s.productClass = classFromColumn(query.value(3).toString()).value_or(ProductClass::None);
        s.power = textAt(query, 4);
        s.verdict = verdictFromText(query.value(5).toString()).value_or(Verdict::NoResultReceived);
        s.product = textAt(query, 6);
        s.serial = textAt(query, 7);
        s.operatorName = textAt(query, 8);
        s.port = textAt(query, 9);
        summaries.append(s);
    }
    if (query.lastError().isValid())
        return fail(sqlReason(query.lastError()));
    return summaries;
}
