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
#include <QJsonObject>
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

Reply jsonError(int status, const QString& message)
{
    Reply reply = jsonReply(QJsonDocument(QJsonObject{{QStringLiteral("error"), message}}));
    reply.status = status;
    return reply;
}

// The path and query asked for, as a link.
QString targetOf(const Request& request)
{
    QUrl url;
    url.setPath(request.path, QUrl::DecodedMode);
    url.setQuery(request.query);
    return url.toString(QUrl::FullyEncoded);
}

// `target` when it is a page of this site ("/records/3?samples=2"), else
// the history: a login never leads elsewhere.
QString localTarget(const QString& target)
{
    const QUrl url(target, QUrl::StrictMode);
    if (!target.startsWith(QLatin1Char('/')) || target.startsWith(QLatin1String("//")) ||
        target.contains(QLatin1Char('\\')) || !url.isValid() || !url.scheme().isEmpty() ||
        !url.host().isEmpty())
        return QStringLiteral("/");
    return url.toString(QUrl::FullyEncoded);
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
    // A page whose name re-resolves to the loopback gets nothing.
    if (!hostAdmitted(m_hosts, request.host))
        return errorReply(421, QStringLiteral("This server does not answer to that host name."));
    bool inSession = false;
    Reply reply = routed(request, &inSession);
    if (inSession && reply.status == 200 && reply.contentType.startsWith("text/html"))
        reply.body = withLogOut(QString::fromUtf8(reply.body)).toUtf8();
    reply.headOnly = request.method == "HEAD";
    return reply;
}

Reply Site::routed(const Request& request, bool* inSession)
{
    const QString& path = request.path;
    const bool form = path == QLatin1String("/login") || path == QLatin1String("/logout");
    const bool reads = request.method == "GET" || request.method == "HEAD";
    if (path == QLatin1String("/logout") ? request.method != "POST"
                                         : !reads && !(form && request.method == "POST")) {
        Reply reply = errorReply(405, QStringLiteral("This server only shows records."));
        reply.addHeader("Allow", path == QLatin1String("/logout") ? "POST"
                                 : form                           ? "GET, HEAD, POST"
                                                                  : "GET, HEAD");
        return reply;
    }
    if (path == QLatin1String("/static/style.css"))
        return resource(QStringLiteral("style.css"), "text/css; charset=utf-8");
    if (path == QLatin1String("/static/live.js"))
        return resource(QStringLiteral("live.js"), "text/javascript; charset=utf-8");
    if (path == QLatin1String("/login"))
        return login(request);
    if (path == QLatin1String("/logout"))
        return logout(request);
    if (path == QLatin1String("/favicon.ico")) {
        // None: asked for by every browser, answered without a body.
        Reply none;
        none.status = 204;
        return none;
    }
    const Access::Check check = m_access.check(request);
    if (check != Access::Check::Open && check != Access::Check::Token &&
        check != Access::Check::Session)
        return refused(request, check);
    *inSession = check == Access::Check::Session;
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

Reply Site::refused(const Request& request, Access::Check check)
{
    const bool api = request.path.startsWith(QLatin1String("/api/"));
    if (check == Access::Check::Throttled) {
        const QString message =
            QStringLiteral("Too many wrong tokens just now: try again in a moment.");
        Reply reply = api ? jsonError(429, message) : errorReply(429, message);
        reply.addHeader("Retry-After", "1");
        return reply;
    }
    Reply reply =
        api ? jsonError(401, QStringLiteral("This server needs its token: send the header "
                                            "\"Authorization: Bearer TOKEN\"."))
            : htmlReply(401, loginPage(false, targetOf(request)));
    reply.addHeader("WWW-Authenticate", "Bearer realm=\"iec1000\"");
    // A wrong token is answered after a short wait.
    reply.delayed = check == Access::Check::Wrong;
    return reply;
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
    if (heldAsObservation(kind->kind)) {
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
    if (request.method != "POST")
        return htmlReply(200, loginPage(false));
    // A form sends a space as "+".
    const QUrlQuery form(
        QString::fromUtf8(request.body).replace(QLatin1Char('+'), QLatin1String("%20")));
    const QByteArray token =
        form.queryItemValue(QStringLiteral("token"), QUrl::FullyDecoded).toUtf8();
    const QString next =
        localTarget(form.queryItemValue(QStringLiteral("next"), QUrl::FullyDecoded));
    Reply reply = htmlReply(303, errorPage(303, QStringLiteral("Logged in.")));
    reply.addHeader("Location", next.toLatin1());
    if (!m_access.required())
        return reply;
    QByteArray setCookie;
    switch (m_access.logIn(token, &setCookie)) {
    case Access::Check::Token:
        reply.addHeader("Set-Cookie", setCookie);
        return reply;
    case Access::Check::Throttled: {
        Reply throttled = errorReply(
            429, QStringLiteral("Too many wrong tokens just now: try again in a moment."));
        throttled.addHeader("Retry-After", "1");
        return throttled;
    }
    default:
        break;
    }
    Reply wrong = htmlReply(401, loginPage(true, next));
    wrong.delayed = true;
    return wrong;
}

Reply Site::logout(const Request& request)
{
    Reply reply = htmlReply(303, errorPage(303, QStringLiteral("Logged out.")));
    reply.addHeader("Location", m_access.required() ? "/login" : "/");
    reply.addHeader("Set-Cookie", m_access.logOut(request));
    return reply;
}

} // namespace web
