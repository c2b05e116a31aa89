#include "site.h"

#include "history_formats.h"
#include "html.h"
#include "observation_formats.h"
#include "observation_report.h"
#include "observation_samples.h"
#include "pages.h"
#include "report_file.h"
#include "result_formats.h"

#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstdio>

// The style sheet and the live update's script, built into the library.
static void initWebResources()
{
    Q_INIT_RESOURCE(web);
}

namespace web {

namespace {

Reply htmlReply(int status, const QString& page)
{
    Reply reply;
    reply.status = status;
    reply.body = page.toUtf8();
    return reply;
}

Reply errorReply(int status, const QString& message)
{
    return htmlReply(status, errorPage(status, message));
}

Reply jsonReply(const QJsonDocument& document)
{
    Reply reply;
    reply.contentType = "application/json";
    reply.body = document.toJson(QJsonDocument::Indented);
    return reply;
}

Reply resource(const QString& name, const QByteArray& type)
{
    QFile file(QStringLiteral(":/web/") + name);
    if (!file.open(QIODevice::ReadOnly))
        return errorReply(404, QStringLiteral("There is no such page."));
    Reply reply;
    reply.contentType = type;
    reply.body = file.readAll();
    return reply;
}

// The report file `iec1000 report ID --output record-ID.<suffix>` writes,
// by the same code; nothing when it could not be written.
template <typename Record, typename Writer>
std::optional<QByteArray> reportBytes(const Record& record, const QString& suffix, Writer write,
                                      QString* reason)
{
    QTemporaryDir dir;
    if (!dir.isValid()) {
        *reason = dir.errorString();
        return std::nullopt;
    }
    const QString path = dir.filePath(QStringLiteral("record-%1.%2").arg(record.id).arg(suffix));
    const Outcome written = write(record, path);
    if (!written.succeeded()) {
        *reason = written.reason();
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *reason = file.errorString();
        return std::nullopt;
    }
    return file.readAll();
}

QByteArray contentTypeOf(const QString& suffix)
{
    if (suffix == QLatin1String("pdf"))
        return "application/pdf";
    if (suffix == QLatin1String("csv"))
        return "text/csv; charset=utf-8";
    return "application/json";
}

} // namespace

bool isRunning(const ObservationRecord& record, const QDateTime& now)
{
    const ObservationResult& r = record.result;
    QDateTime last = record.startedAt;
    if (!r.samples.isEmpty() && r.samples.last().measuredAt.isValid())
        last = r.samples.last().measuredAt;
    if (!last.isValid())
        return false;
    const double quietS = std::max<double>(kRunningQuietS, 5 * r.sampleIntervalS);
    return last.msecsTo(now) <= qint64(quietS * 1000);
}

Site::Site(QString storeName, Access access)
    : m_storeName(std::move(storeName)), m_access(std::move(access)),
      m_log([](const QString& line) { std::fprintf(stderr, "iec1000: %s\n", qPrintable(line)); }),
      m_now([] { return QDateTime::currentDateTime(); })
{
    initWebResources();
}

Site::~Site() = default;

QString Site::open()
{
    auto store = std::make_unique<RecordStore>();
    const Outcome opened = store->open(m_storeName, StoreAccess::Read);
    if (!opened.succeeded())
        return opened.reason();
    m_store = std::move(store);
    return {};
}

RecordStore* Site::store()
{
    if (!m_store) {
        if (const QString reason = open(); !reason.isEmpty()) {
            m_log(reason);
            return nullptr;
        }
    }
    return m_store.get();
}

Reply Site::storeFailed(const QString& reason)
{
    // The next request connects again.
    m_store.reset();
    if (!reason.isEmpty())
        m_log(reason);
    return errorReply(503, QStringLiteral("The record store cannot be read just now. Try again "
                                          "in a moment."));
}

Reply Site::answer(const Request& request)
{
    Reply reply = routed(request);
    if (request.method == "HEAD")
        reply.body.clear();
    return reply;
}

Reply Site::routed(const Request& request)
{
    const QString& path = request.path;
    if (path == QLatin1String("/static/style.css"))
        return resource(QStringLiteral("style.css"), "text/css; charset=utf-8");
    if (path == QLatin1String("/static/live.js"))
        return resource(QStringLiteral("live.js"), "text/javascript; charset=utf-8");
    if (path == QLatin1String("/login"))
        return login(request);
    if (path == QLatin1String("/favicon.ico")) {
        // None: asked for by every browser, answered without a body.
        Reply none;
        none.status = 204;
        return none;
    }
    if (request.method != "GET" && request.method != "HEAD") {
        Reply reply = errorReply(405, QStringLiteral("This server only shows records."));
        reply.addHeader("Allow", "GET, HEAD");
        return reply;
    }
    if (!m_access.admits(request)) {
        const bool shown = !request.authorization.isEmpty() ||
                           request.cookie.contains(QByteArray(kSessionCookie) + '=');
        Reply reply = htmlReply(401, loginPage(false));
        reply.addHeader("WWW-Authenticate", "Bearer realm=\"iec1000\"");
        // A wrong token is answered after a short wait.
        reply.delayed = shown;
        return reply;
    }
    if (path == QLatin1String("/"))
        return history(request, false);
    if (path == QLatin1String("/api/records"))
        return history(request, true);
    static const QRegularExpression recordPath(QStringLiteral(
        "^/(api/)?records/([^/]*)(?:/(report\\.(?:pdf|csv|json)|samples\\.(?:csv|json)))?$"));
    const QRegularExpressionMatch match = recordPath.match(path);
    if (!match.hasMatch())
        return errorReply(404, QStringLiteral("There is no such page."));
    static const QRegularExpression number(QStringLiteral("^[1-9][0-9]{0,17}$"));
    if (!number.match(match.captured(2)).hasMatch())
        return errorReply(400, QStringLiteral("A record is named by its number."));
    const bool api = !match.captured(1).isEmpty();
    if (api && !match.captured(3).isEmpty())
        return errorReply(404, QStringLiteral("There is no such page."));
    const QString file = match.captured(3);
    return record(match.captured(2).toLongLong(),
                  api                                         ? QStringLiteral("api")
                  : file.startsWith(QLatin1String("report.")) ? file.mid(7)
                                                              : file,
                  request.query);
}

Reply Site::history(const Request& request, bool json)
{
    int page = 1;
    QString wrong;
    std::optional<HistoryQuery> query = historyQueryOf(request.query, &page, &wrong);
    if (!query)
        return errorReply(400, wrong);
    RecordStore* records = store();
    if (!records)
        return storeFailed({});
    QString error;
    QList<RecordSummary> found = records->history(*query, &error);
    if (!error.isEmpty())
        return storeFailed(error);
    const bool hasNext = found.size() > kHistoryPageSize;
    if (hasNext)
        found.resize(kHistoryPageSize);
    if (json)
        return jsonReply(QJsonDocument(historyJson(found)));
    return htmlReply(200, historyPage(found, request.query, page, hasNext));
}

Reply Site::record(qint64 id, const QString& part, const QUrlQuery& query)
{
    RecordStore* records = store();
    if (!records)
        return storeFailed({});
    QString error;
    const std::optional<RecordState> kind = records->recordState(id, &error);
    if (!kind) {
        if (!error.isEmpty())
            return storeFailed(error);
        return errorReply(404, QStringLiteral("There is no record %1.").arg(id));
    }
    const bool samples = part.startsWith(QLatin1String("samples."));
    const auto download = [&](const std::optional<QByteArray>& bytes, const QString& reason) {
        if (!bytes) {
            m_log(reason);
            return errorReply(500, QStringLiteral("The report could not be made."));
        }
        Reply reply;
        reply.contentType = contentTypeOf(samples ? part.mid(8) : part);
        reply.body = *bytes;
        reply.addHeader(
            "Content-Disposition",
            QStringLiteral("attachment; filename=\"record-%1%2.%3\"")
                .arg(id)
                .arg(samples ? QStringLiteral("-samples") : QString(), samples ? part.mid(8) : part)
                .toLatin1());
        return reply;
    };
    QString reason;
    if (kind->kind == QLatin1String("observation")) {
        const std::optional<ObservationRecord> observation = records->observation(id, &error);
        if (!observation)
            return storeFailed(error);
        if (part == QLatin1String("api"))
            return jsonReply(QJsonDocument(observationJson(*observation)));
        // Every sample, as `iec1000 report ID --samples` writes them.
        if (part == QLatin1String("samples.csv"))
            return download(observationSamplesCsv(*observation).toUtf8(), {});
        if (part == QLatin1String("samples.json"))
            return download(
                QJsonDocument(observationSamplesJson(*observation)).toJson(QJsonDocument::Indented),
                {});
        if (!part.isEmpty())
            return download(reportBytes(*observation, part, writeObservationReport, &reason),
                            reason);
        int samplePage = 1;
        if (const QString given = query.queryItemValue(QStringLiteral("samples"));
            !given.isEmpty()) {
            bool isNumber = false;
            samplePage = given.toInt(&isNumber);
            if (!isNumber || samplePage < 1)
                return errorReply(400, QStringLiteral("The samples page is a number from 1 up."));
        }
        const bool running = !kind->finished && isRunning(*observation, m_now());
        return htmlReply(200, observationPage(*observation, running, samplePage));
    }
    const std::optional<MeasurementRecord> measurement = records->record(id, &error);
    if (!measurement)
        return storeFailed(error);
    if (part == QLatin1String("api"))
        return jsonReply(QJsonDocument(recordJson(*measurement)));
    if (samples)
        return errorReply(404, QStringLiteral("Record %1 is a measurement: only a timed "
                                              "observation has samples.")
                                   .arg(id));
    if (!part.isEmpty())
        return download(reportBytes(*measurement, part, writeReport, &reason), reason);
    return htmlReply(200, measurementPage(*measurement));
}

Reply Site::login(const Request& request)
{
    if (request.method == "GET" || request.method == "HEAD")
        return htmlReply(200, loginPage(false));
    if (request.method != "POST")
        return errorReply(405, QStringLiteral("The login takes GET and POST."));
    // A form sends a space as "+".
    const QUrlQuery form(
        QString::fromUtf8(request.body).replace(QLatin1Char('+'), QLatin1String("%20")));
    const QByteArray token =
        form.queryItemValue(QStringLiteral("token"), QUrl::FullyDecoded).toUtf8();
    if (!m_access.required() || m_access.matches(token)) {
        Reply reply = htmlReply(303, errorPage(303, QStringLiteral("Logged in.")));
        reply.addHeader("Location", "/");
        if (m_access.required())
            reply.addHeader("Set-Cookie", m_access.sessionCookie());
        return reply;
    }
    Reply reply = htmlReply(401, loginPage(true));
    reply.delayed = true;
    return reply;
}

} // namespace web
