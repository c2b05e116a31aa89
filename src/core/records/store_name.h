#pragma once

#include <QString>

// ~/.local/share/iec1000/records.sqlite (the generic data location).
QString defaultRecordStore();
// The store to use: dbOption (the --db option) when given, else IEC1000_DB
// when set and not empty, else defaultRecordStore().
QString recordStoreName(const QString& dbOption);

// What a store name names: a SQLite file or a PostgreSQL database. A store
// name is a file path (optionally "sqlite:<path>") or
// "postgresql://[user[:password]@]host[:port]/dbname" (also "postgres://")
// with, optionally, the query parameters kStoreUrlParameters: "host" (a
// name, or a Unix socket folder), "port", "user", "password" (each wins over
// the same part before the query, as libpq reads a URL) and "sslmode". Any
// other parameter is refused.
struct StoreTarget
{
    bool postgres = false;
    QString path; // SQLite
    QString host;
    int port = 5432;
    QString user;
    QString password;
    QString dbName;
    QString sslMode; // empty: libpq's default
    // The store as a message shows it: the file path, or the URL without its
    // password.
    QString location;
    QString error; // why the name names no store; empty when it does
};

inline constexpr const char* kStoreUrlParameters[] = {"host", "port", "user", "password",
                                                      "sslmode"};

StoreTarget parseStoreName(const QString& storeName);

// The warning a store name holding a password earns (it is visible to other
// users of the machine), also one that names no store; empty for any other
// name.
QString passwordInNameWarning(const QString& storeName);

// The store as a report names the origin of a record, without credentials:
// the SQLite file as named, or "database iec1000 on db.lab" (a port other
// than 5432 added as "db.lab:5433"; a socket folder as the host).
QString storeOrigin(const StoreTarget& target);
