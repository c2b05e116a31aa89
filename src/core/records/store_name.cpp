#include "store_name.h"

#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>
#include <QUrlQuery>

#include <algorithm>
#include <iterator>

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
    const QRegularExpressionMatch item = passwordItem.match(shown);
    if (item.hasMatch()) {
        const bool first = item.captured().startsWith(QLatin1Char('?'));
        shown.remove(item.capturedStart(), item.capturedLength());
        // "?password=x&user=a": the query still begins with "?".
        if (first && item.capturedStart() < shown.size())
            shown[item.capturedStart()] = QLatin1Char('?');
        shown.replace(passwordItem, QString());
    }
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
    QStringList unknown;
    for (const auto& [key, value] : query.queryItems(QUrl::FullyDecoded))
        if (std::find_if(std::begin(kStoreUrlParameters), std::end(kStoreUrlParameters),
                         [&](const char* known) { return key == QLatin1String(known); }) ==
            std::end(kStoreUrlParameters))
            unknown.append(key);
    if (!unknown.isEmpty()) {
        QStringList known;
        for (const char* name : kStoreUrlParameters)
            known.append(QLatin1String(name));
        s.error = QStringLiteral("its URL has the unknown parameter%1 %2 (known: %3)")
                      .arg(unknown.size() > 1 ? QStringLiteral("s") : QString(),
                           unknown.join(QStringLiteral(", ")), known.join(QStringLiteral(", ")));
        return s;
    }
    // A query parameter wins over the same part before it, as for libpq.
    const auto part = [&](const char* key, const QString& before) {
        const QString name = QLatin1String(key);
        return query.hasQueryItem(name) ? query.queryItemValue(name, QUrl::FullyDecoded) : before;
    };
    s.host = part("host", url.host(QUrl::FullyDecoded));
    s.port = url.port(5432);
    if (query.hasQueryItem(QStringLiteral("port"))) {
        bool ok = false;
        s.port = query.queryItemValue(QStringLiteral("port")).toInt(&ok);
        if (!ok)
            s.error = QStringLiteral("its port is not a number");
    }
    s.user = part("user", url.userName(QUrl::FullyDecoded));
    s.password = part("password", url.password(QUrl::FullyDecoded));
    s.sslMode = part("sslmode", QString());
    s.dbName = url.path(QUrl::FullyDecoded).mid(1);
    if (s.dbName.isEmpty())
        s.error = QStringLiteral("it names no database");
    return s;
}

QString passwordInNameWarning(const QString& storeName)
{
    if (withoutPassword(storeName) == storeName)
        return {};
    return QStringLiteral("the record store's URL holds a password, which other users of this "
                          "machine can see; give it in PGPASSWORD or ~/.pgpass instead");
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
