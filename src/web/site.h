#pragma once

#include "access.h"
#include "http_message.h"
#include "record_store.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <memory>

// The lab's view: every page and every JSON document the server answers
// with, made from the record store opened for reading. It never writes:
// the store is opened read-only (SQLite) or in read-only transactions
// (PostgreSQL), and each page is read by single statements, so no lock is
// held between requests.
namespace web {

class Site
{
public:
    Site(QString storeName, Access access);
    ~Site();
    Site(const Site&) = delete;
    Site& operator=(const Site&) = delete;

    // Opens the store; the reason it could not, empty when it could.
    QString open();
    // The answer to `request`. A store that fails during it gives a 503 page
    // and is opened again for the next request.
    Reply answer(const Request& request);
    // The store as the operator names it, without a password.
    QString location() const { return m_store ? m_store->location() : m_storeName; }

    // Where failures the visitor is not told about are said (standard error
    // by default): the store's reasons name its location, never a password.
    void setLog(std::function<void(const QString&)> log) { m_log = std::move(log); }
    // The time "running" is judged against (tests set it).
    void setClock(std::function<QDateTime()> now) { m_now = std::move(now); }
    // The Host headers answered (loopbackHosts() on the loopback); any
    // other gets 421 and no page. None: any Host.
    void setHosts(QList<QByteArray> names) { m_hosts = std::move(names); }
    // The token check, its sessions and throttle.
    Access& access() { return m_access; }

private:
    // *inSession: the visitor came in by a session's cookie.
    Reply routed(const Request& request, bool* inSession);
    // The answer to a request that does not show the token.
    Reply refused(const Request& request, Access::Check check);
    Reply history(const Request& request, bool json);
    // `part`: empty for the page, "api" for its JSON, "pdf", "csv" or
    // "json" for a report file.
    Reply record(qint64 id, const QString& part, const QUrlQuery& query);
    Reply login(const Request& request);
    Reply logout(const Request& request);
    Reply storeFailed(const QString& reason);
    // The store, opened when it is not; nullptr (the reason logged) when it
    // cannot be.
    RecordStore* store();

    QString m_storeName;
    Access m_access;
    QList<QByteArray> m_hosts;
    std::unique_ptr<RecordStore> m_store;
    std::function<void(const QString&)> m_log;
    std::function<QDateTime()> m_now;
};

// An observation not finished whose last sample (or start) is older than
// this is one the tool ended during, not one being recorded.
inline constexpr int kRunningQuietS = 90;

// Whether observation `record` (its end not written) is still being
// recorded at `now`: a sample, or its start, within kRunningQuietS or five
// sample intervals.
bool isRunning(const ObservationRecord& record, const QDateTime& now);

} // namespace web
