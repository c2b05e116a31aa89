#pragma once

#include "store_name.h"

#include <QDeadlineTimer>
#include <QString>

#include <chrono>

// How long a store call may wait for the database at most (a little more
// while a PostgreSQL connection is being made: libpq counts its connect
// time-out in whole seconds, at least 2 per address).
inline constexpr std::chrono::milliseconds kStoreDeadline{10000};

// Who opens a store: a writer creates it (and its folder) when missing and
// upgrades its schema; a reader changes nothing and needs an existing store.
enum class StoreAccess { Write, Read };

// Makes the Qt SQL connection `name` to the store `target` names and
// readies it: the session's settings, the schema check, and for a writer
// the journal, a SQLite file's folder and the schema itself (created or
// upgraded). *version: the store's schema version then. Returns the reason
// it failed, empty on success; on failure no connection `name` is left.
QString openStoreConnection(const QString& name, const StoreTarget& target, StoreAccess access,
                            QDeadlineTimer deadline, int* version);

// The reason a call gives when the server stopped answering within
// kStoreDeadline.
QString stalledReason();
