#include "record_store.h"

#include "record_schema.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QUrl>
#include <QUrlQuery>
#include <QVariant>

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

StoreTarget parseStoreName(const QString& storeName)
{
    StoreTarget s;
    s.location = storeName;
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
        s.error = QStringLiteral("it is not a valid URL: %1").arg(url.errorString());
        return s;
    }
    s.location = url.toDisplayString(QUrl::RemovePassword);
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

Outcome RecordStore::open(const QString& storeName)
{
    close();
    const StoreTarget s = parseStoreName(storeName);
    m_location = s.location;
    if (!s.error.isEmpty())
        return failure(QStringLiteral("opened"), s.error);

    const QString driver = s.postgres ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE");
    if (!QSqlDatabase::isDriverAvailable(driver))
        return failure(QStringLiteral("opened"),
                       QStringLiteral("the Qt SQL driver %1 is not installed").arg(driver));

    if (!s.postgres) {
        const QDir folder = QFileInfo(s.path).absoluteDir();
        if (!folder.exists()) {
            const bool isDefault = QFileInfo(s.path).absoluteFilePath() ==
                                   QFileInfo(defaultRecordStore()).absoluteFilePath();
            if (!isDefault || !QDir().mkpath(folder.absolutePath()))
                return failure(QStringLiteral("opened"),
                               QStringLiteral("the folder %1 does not exist")
                                   .arg(QDir::toNativeSeparators(folder.absolutePath())));
        }
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
            db.setConnectOptions(QStringLiteral("connect_timeout=5"));
        } else {
            db.setDatabaseName(s.path);
            // In ms: how long a write waits for another writer to finish.
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        }
        if (!db.open()) {
            reason = sqlReason(db.lastError());
        } else {
            QSqlQuery query(db);
            if (s.postgres) {
                // A statement waiting on a lock or a stalled server fails
                // after 10 s instead of hanging the tool.
                if (!query.exec(QStringLiteral("SET statement_timeout = 10000")))
                    reason = sqlReason(query.lastError());
            } else if (!query.exec(QStringLiteral("PRAGMA journal_mode=WAL")) || !query.next()) {
                reason = sqlReason(query.lastError());
            } else if (query.value(0).toString().compare(QLatin1String("wal"),
                                                         Qt::CaseInsensitive) != 0) {
                reason = QStringLiteral("its file system does not allow a write-ahead log");
            } else if (!query.exec(QStringLiteral("PRAGMA synchronous=FULL"))) {
                // FULL, not NORMAL: with NORMAL a power cut may lose the last
                // records the operator saw saved; one sync per measurement
                // cycle (about 8 s) costs nothing.
                reason = sqlReason(query.lastError());
            }
            query.finish();
            if (reason.isEmpty())
                reason = prepareRecordSchema(db);
        }
        if (!reason.isEmpty())
            db.close();
    }
    if (!reason.isEmpty()) {
        QSqlDatabase::removeDatabase(name);
        return failure(QStringLiteral("opened"), reason);
    }
    m_connection = name;
    return Outcome::ok();
}

Outcome RecordStore::add(MeasurementRecord& record)
{
    if (!isOpen())
        return Outcome::failed(QStringLiteral("no record store is open"));
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    const CycleResult& r = record.result;
    const Judgement& j = r.judgement;
    const QDateTime& at = r.measuredAt;

    if (QString reason = beginWrite(db); !reason.isEmpty())
        return failure(QStringLiteral("written"), reason);
    QSqlQuery query(db);
    QString reason;
    if (!query.prepare(QStringLiteral(
            "INSERT INTO measurements (measured_ms, utc_offset, verdict, problem, product_class, "
            "power, evaluation_status, evaluation_problem, any_failed, reply_line, fields_found, "
            "reply, judgement, port, device, product, serial, operator_name, notes, "
            "tool_version, search, lab, instrument, conditions) "
            "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) "
            "RETURNING id"))) {
        reason = sqlReason(query.lastError());
    } else {
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
            reason = sqlReason(query.lastError());
    }
    const qint64 id = reason.isEmpty() ? query.value(0).toLongLong() : 0;
    query.finish();
    if (reason.isEmpty())
        reason = commitWrite(db);
    if (!reason.isEmpty()) {
        rollbackWrite(db);
        return failure(QStringLiteral("written"), reason);
    }
    record.id = id;
    return Outcome::ok();
}

Outcome RecordStore::updateProduct(qint64 id, const ProductInfo& product)
{
    if (!isOpen())
        return Outcome::failed(QStringLiteral("no record store is open"));
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (QString reason = beginWrite(db); !reason.isEmpty())
        return failure(QStringLiteral("written"), reason);
    QString reason;
    {
        QSqlQuery query(db);
        if (!query.prepare(
                QStringLiteral("SELECT verdict, product_class FROM measurements WHERE id = ?"))) {
            reason = sqlReason(query.lastError());
        } else {
            query.bindValue(0, id);
            if (!query.exec())
                reason = sqlReason(query.lastError());
            else if (!query.next())
                reason = query.lastError().isValid()
                             ? sqlReason(query.lastError())
                             : QStringLiteral("it holds no record %1").arg(id);
        }
        const QString search =
            reason.isEmpty()
                ? recordSearchText(product.product, product.serial, product.operatorName,
                                   product.notes, query.value(0).toString(),
                                   query.value(1).toString())
                : QString();
        query.finish();
        if (reason.isEmpty()) {
            QSqlQuery update(db);
            if (!update.prepare(QStringLiteral(
                    "UPDATE measurements SET product = ?, serial = ?, operator_name = ?, "
                    "notes = ?, search = ?, lab = ?, instrument = ?, conditions = ? "
                    "WHERE id = ?"))) {
                reason = sqlReason(update.lastError());
            } else {
                const QVariant values[] = {product.product,
                                           product.serial,
                                           product.operatorName,
                                           product.notes,
                                           search,
                                           product.lab,
                                           product.instrument,
                                           product.conditions,
                                           id};
                for (int n = 0; n < int(std::size(values)); ++n)
                    update.bindValue(n, values[n]);
                if (!update.exec())
                    reason = sqlReason(update.lastError());
            }
        }
    }
    if (reason.isEmpty())
        reason = commitWrite(db);
    if (!reason.isEmpty()) {
        rollbackWrite(db);
        return failure(QStringLiteral("written"), reason);
    }
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
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    if (!query.prepare(QStringLiteral(
            "SELECT measured_ms, utc_offset, verdict, problem, product_class, power, "
            "evaluation_status, evaluation_problem, any_failed, reply_line, fields_found, reply, "
            "judgement, port, device, product, serial, operator_name, notes, tool_version, "
            "lab, instrument, conditions FROM measurements WHERE id = ?")))
        return fail(sqlReason(query.lastError()));
    query.bindValue(0, id);
    if (!query.exec())
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
    QString sql = QStringLiteral("SELECT id, measured_ms, utc_offset, product_class, power, "
                                 "verdict, product, serial, operator_name, port "
                                 "FROM measurements");
    if (!filter.isEmpty())
        sql += QStringLiteral(" WHERE search LIKE ? ESCAPE '\\'");
    sql += QStringLiteral(" ORDER BY measured_ms DESC, id DESC");
    if (limit > 0)
        sql += QStringLiteral(" LIMIT %1").arg(limit);

    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        return fail(sqlReason(query.lastError()));
    if (!filter.isEmpty()) {
        QString pattern = filter.toCaseFolded();
        pattern.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
            .replace(QLatin1Char('%'), QLatin1String("\\%"))
            .replace(QLatin1Char('_'), QLatin1String("\\_"));
        query.bindValue(0, QLatin1Char('%') + pattern + QLatin1Char('%'));
    }
    if (!query.exec())
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
