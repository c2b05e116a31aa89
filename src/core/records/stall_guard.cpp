#include "stall_guard.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>

#include <dlfcn.h>
#include <sys/socket.h>

namespace {

// libpq as the Qt PostgreSQL driver loaded it. Looked up at run time, so that
// the tool neither links nor needs libpq when no PostgreSQL store is used.
struct LibPq
{
    int (*socket)(const void* conn) = nullptr; // PQsocket
};

LibPq libPq()
{
    LibPq pq;
    // RTLD_NOLOAD: only the library the driver already loaded.
    void* library = dlopen("libpq.so.5", RTLD_LAZY | RTLD_NOLOAD);
    if (!library)
        return pq;
    pq.socket = reinterpret_cast<int (*)(const void*)>(dlsym(library, "PQsocket"));
    dlclose(library); // the driver keeps it loaded
    return pq;
}

// The PGconn of an open PostgreSQL connection; nullptr for any other.
const void* pgConnection(const QSqlDatabase& db)
{
    if (!db.isOpen() || !db.driver())
        return nullptr;
    const QVariant handle = db.driver()->handle();
    // Qt registers the type as its typedef's target, "pg_conn*".
    if (!handle.isValid() ||
        (qstrcmp(handle.typeName(), "pg_conn*") != 0 && qstrcmp(handle.typeName(), "PGconn*") != 0))
        return nullptr;
    return *static_cast<void* const*>(handle.constData());
}

} // namespace

StallGuard::StallGuard(const QSqlDatabase& db, QDeadlineTimer deadline)
{
    const void* conn = pgConnection(db);
    const LibPq pq = conn ? libPq() : LibPq();
    const int socket = pq.socket ? pq.socket(conn) : -1;
    if (socket < 0)
        return;
    m_watch = std::thread([this, socket, deadline] {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_ended.wait_for(lock, deadline.remainingTimeAsDuration(),
                              [this] { return m_finished; })) {
            m_fired = true;
            ::shutdown(socket, SHUT_RDWR);
        }
    });
}

StallGuard::~StallGuard()
{
    finish();
}

bool StallGuard::finish()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_finished = true;
    }
    m_ended.notify_one();
    if (m_watch.joinable())
        m_watch.join();
    return m_fired;
}

bool connectionLost(const QSqlDatabase& db)
{
    // The driver counts a connection open while libpq reports it good.
    return db.driverName() == QLatin1String("QPSQL") && !db.isOpen();
}
