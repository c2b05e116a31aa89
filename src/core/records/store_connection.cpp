#include "store_connection.h"

#include "record_schema.h"
#include "stall_guard.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

#include <algorithm>

QString stalledReason()
{
    return QStringLiteral("the server stopped answering (no answer within %1 s)")
        .arg(kStoreDeadline.count() / 1000);
}

namespace {

// How long SQLite waits for a lock another writer holds.
constexpr int kSqliteBusyTimeoutMs = 5000;

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
        // While another writer holds a lock on the same new store (several
        // benches, or tests, starting on one file), SQLite answers "database
        // is locked" at once, or the journal mode it keeps, without waiting
        // for the lock the switch takes: ask again for as long as a lock may
        // be waited for.
        QDeadlineTimer walDeadline(kSqliteBusyTimeoutMs);
        for (;;) {
            const bool answered =
                query.exec(QStringLiteral("PRAGMA journal_mode=WAL")) && query.next();
            if (answered &&
                query.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0)
                break;
            if (walDeadline.hasExpired())
                return answered ? QStringLiteral("its file system does not allow a write-ahead log")
                                : sqlReason(query.lastError());
            query.finish();
            QThread::msleep(50);
        }
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

QString openStoreConnection(const QString& name, const StoreTarget& s, StoreAccess access,
                            QDeadlineTimer deadline, int* version)
{
    const QString driver = s.postgres ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE");
    if (!QSqlDatabase::isDriverAvailable(driver))
        return QStringLiteral("the Qt SQL driver %1 is not installed").arg(driver);

    const bool reader = access == StoreAccess::Read;
    if (!s.postgres) {
        const QFileInfo file(s.path);
        if (reader && !file.exists())
            return QStringLiteral("there is no such file");
        const QDir folder = file.absoluteDir();
        if (!folder.exists() && (reader || !QDir().mkpath(folder.absolutePath())))
            return QStringLiteral("the folder %1 does not exist")
                .arg(QDir::toNativeSeparators(folder.absolutePath()));
    }

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
                QStringLiteral("%1QSQLITE_BUSY_TIMEOUT=%2")
                    .arg(reader ? QStringLiteral("QSQLITE_OPEN_READONLY;") : QString())
                    .arg(kSqliteBusyTimeoutMs));
        }
        if (!db.open()) {
            reason = sqlReason(db.lastError());
        } else {
            StallGuard guard(db, deadline);
            reason = prepareConnection(db, s.postgres, access, version);
            if (guard.finish())
                reason = stalledReason();
        }
        if (!reason.isEmpty())
            db.close();
    }
    if (!reason.isEmpty())
        QSqlDatabase::removeDatabase(name);
    return reason;
}
