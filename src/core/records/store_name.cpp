#include "store_name.h"

#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>
#include <QUrlQuery>

namespace {

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

} // namespace

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

QString storeOrigin(const StoreTarget& target)
{
    if (!target.postgres)
        return target.path;
    QString host = target.host.isEmpty() ? QStringLiteral("localhost") : target.host;
    if (target.port != 5432)
        host += QStringLiteral(":%1").arg(target.port);
    return QStringLiteral("database %1 on %2").arg(target.dbName, host);
}
