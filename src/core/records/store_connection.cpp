#include "store_connection.h"

#include "record_schema.h"
#include "stall_guard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QUrl>

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
QString prepareConnection(QSqlDatabase& db, bool postgres, StoreAccess access, int* version,
                          QSqlError* error)
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
    *version = recordSchemaVersion(db, &reason, error);
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

namespace {

// libpq's reasons for a refused connection that an operator can act on, in
// plain words; any other reason as it is.
QString plainConnectReason(const QString& reason, const StoreTarget& s)
{
    static const QRegularExpression refused(
        QStringLiteral("password authentication failed for user \"([^\"]*)\""));
    static const QRegularExpression noDatabase(
        QStringLiteral("database \"([^\"]*)\" does not exist"));
    static const QRegularExpression noRole(QStringLiteral("role \"([^\"]*)\" does not exist"));
    if (reason.contains(QLatin1String("no password supplied")))
        return QStringLiteral("the server asks for a password and none was given: set "
                              "PGPASSWORD, or add the line host:port:dbname:user:password to "
                              "~/.pgpass (mode 0600)");
    if (const QRegularExpressionMatch m = refused.match(reason); m.hasMatch())
        return QStringLiteral("the server refused the password of the user %1: check PGPASSWORD "
                              "or ~/.pgpass")
            .arg(m.captured(1));
    if (const QRegularExpressionMatch m = noDatabase.match(reason); m.hasMatch())
        return QStringLiteral("the server has no database %1: create it first (createdb %1)")
            .arg(m.captured(1));
    if (const QRegularExpressionMatch m = noRole.match(reason); m.hasMatch())
        return QStringLiteral("the server has no user %1%2")
            .arg(m.captured(1), s.user.isEmpty()
                                    ? QStringLiteral(" (name the user in the URL: ?user=NAME)")
                                    : QString());
    return reason;
}

// A SQLite file opened for reading that SQLite could not read as it is
// (its folder may only be read, so it cannot make the write-ahead log's
// index): empty when it may be opened immutable instead (it has no
// write-ahead log, so nothing is read past), else why it cannot be read.
QString whyNotReadable(const QString& path, QString* immutableName)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("you may not read it (%1)").arg(file.errorString());
    const QFileInfo log(path + QStringLiteral("-wal"));
    if (!log.exists() || log.size() == 0) {
        *immutableName =
            QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded) +
            QStringLiteral("?immutable=1");
        return {};
    }
    return QStringLiteral("its folder %1 may only be read, and its write-ahead log %2 holds "
                          "changes that cannot be read without the log's index file, which "
                          "only a user who may write to the folder can make: end the tool that "
                          "is writing it (the last one to close folds the log in) or ask for "
                          "write access to the folder")
        .arg(QDir::toNativeSeparators(QFileInfo(path).absolutePath()), QFileInfo(log).fileName());
}

// Whether a SQLite reason says the file could not be read as it is, for want
// of write access: SQLITE_READONLY or SQLITE_CANTOPEN, or one of their
// extended codes (SQLITE_READONLY_DIRECTORY, ...).
bool readOnlyRefusal(const QSqlError& error)
{
    bool isNumber = false;
    const int primary = error.nativeErrorCode().toInt(&isNumber) & 0xff;
    return isNumber && (primary == 8 || primary == 14);
}

// One attempt at opening: `immutableName`, when given, opens a SQLite file
// as an immutable URI. *refusedReadOnly: a SQLite reader was refused for
// want of write access.
QString openOnce(const QString& name, const StoreTarget& s, StoreAccess access,
                 QDeadlineTimer deadline, int* version, const QString& immutableName,
                 bool* refusedReadOnly)
{
    const QString driver = s.postgres ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE");
    const bool reader = access == StoreAccess::Read;
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
            QString options =
                QStringLiteral("connect_timeout=%1;keepalives=1;keepalives_idle=4;"
                               "keepalives_interval=2;keepalives_count=3;tcp_user_timeout=%2")
                    .arg(connectSeconds)
                    .arg(kStoreDeadline.count());
            if (!s.sslMode.isEmpty())
                options += QStringLiteral(";sslmode=") + s.sslMode;
            db.setConnectOptions(options);
        } else {
            db.setDatabaseName(immutableName.isEmpty() ? s.path : immutableName);
            // In ms: how long a statement waits for another writer to finish.
            db.setConnectOptions(
                QStringLiteral("%1%2QSQLITE_BUSY_TIMEOUT=%3")
                    .arg(reader ? QStringLiteral("QSQLITE_OPEN_READONLY;") : QString(),
                         immutableName.isEmpty() ? QString() : QStringLiteral("QSQLITE_OPEN_URI;"))
                    .arg(kSqliteBusyTimeoutMs));
        }
        if (!db.open()) {
            reason = sqlReason(db.lastError());
            *refusedReadOnly = !s.postgres && reader && readOnlyRefusal(db.lastError());
            if (s.postgres)
                reason = plainConnectReason(reason, s);
        } else {
            StallGuard guard(db, deadline);
            QSqlError error;
            reason = prepareConnection(db, s.postgres, access, version, &error);
            if (guard.finish())
                reason = stalledReason();
            *refusedReadOnly = !s.postgres && reader && !reason.isEmpty() && readOnlyRefusal(error);
        }
        if (!reason.isEmpty())
            db.close();
    }
    if (!reason.isEmpty())
        QSqlDatabase::removeDatabase(name);
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

    bool refusedReadOnly = false;
    const QString reason = openOnce(name, s, access, deadline, version, {}, &refusedReadOnly);
    if (!refusedReadOnly)
        return reason;
    // A reader of a file in a folder it may only read: SQLite reads a
    // write-ahead log only with the log's index, which it cannot make there.
    QString immutableName;
    if (const QString why = whyNotReadable(s.path, &immutableName); !why.isEmpty())
        return why;
    return openOnce(name, s, access, deadline, version, immutableName, &refusedReadOnly);
}
