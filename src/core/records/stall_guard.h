#pragma once

#include <QDeadlineTimer>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

class QSqlDatabase;

// Bounds the blocking calls made on a PostgreSQL connection while it lives:
// when they have not ended by the deadline, another thread shuts the
// connection's socket down, so that libpq's wait for the server ends at once
// and the call fails. That bounds every wait, also on a server (or a relay)
// that accepts bytes but never answers, where neither TCP time-outs nor
// keepalives end it. The connection is lost afterwards. On a SQLite
// connection, or when libpq's socket cannot be found, it does nothing.
class StallGuard
{
public:
    StallGuard(const QSqlDatabase& db, QDeadlineTimer deadline);
    ~StallGuard();
    StallGuard(const StallGuard&) = delete;
    StallGuard& operator=(const StallGuard&) = delete;

    // Ends the watch; true when the deadline passed and the socket was shut
    // down.
    bool finish();

private:
    std::mutex m_mutex;
    std::condition_variable m_ended;
    bool m_finished = false;
    std::atomic<bool> m_fired{false};
    std::thread m_watch;
};

// True when the connection to a PostgreSQL server is lost (a restarted or
// stopped server, a guard that fired). False for SQLite.
bool connectionLost(const QSqlDatabase& db);
