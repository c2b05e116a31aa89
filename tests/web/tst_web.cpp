#include "analyzer_lines.h"
#include "history_formats.h"
#include "html.h"
#include "http_front.h"
#include "observation_formats.h"
#include "pages.h"
#include "record_store.h"
#include "rejudge.h"
#include "result_formats.h"
#include "serve.h"
#include "site.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <thread>

#include <sys/stat.h>

Q_DECLARE_METATYPE(HistoryQuery)

using namespace web;

namespace {

CycleResult judged(const QByteArray& reply, ProductClass productClass, const QDateTime& at)
{
    CycleResult stored;
    stored.reply.line = QString::fromLatin1(reply);
    stored.measuredAt = at;
    return judgeAgain(stored, ClassChoice{productClass, QStringLiteral("75")});
}

Request get(const QString& path, const QString& query = {})
{
    Request request;
    request.path = path;
    request.query = QUrlQuery(query);
    return request;
}

// A store with a passing Class A measurement (1), a failing Class D one with
// a hostile product (2), and an observation of three samples (3).
struct Store
{
    QTemporaryDir dir;
    QString name = dir.filePath(QStringLiteral("records.sqlite"));
    qint64 observationId = 0;

    Store()
    {
        RecordStore store;
        QVERIFY(store.open(name).succeeded());
        const QDateTime at(QDate(2026, 12, 7), QTime(16, 10, 38), QTimeZone(3600));
        MeasurementRecord pass = newRecord(judged(kPassingReply, ProductClass::A, at),
                                           QStringLiteral("Com 1"), QStringLiteral("/dev/ttyS0"));
        pass.product.product = QStringLiteral("Hand mixer");
        QVERIFY(store.add(pass).succeeded());
        MeasurementRecord fail = newRecord(judged(failingReply(), ProductClass::D, at.addDays(1)),
                                           QStringLiteral("Com 2"), {});
        fail.product.product = QStringLiteral("<script>alert(1)</script>\u202Egpj.exe");
        fail.product.notes = QStringLiteral("\"><img src=x onerror=alert(2)>");
        QVERIFY(store.add(fail).succeeded());
        ObservationRecord observation = newObservationRecord(
            QStringLiteral("Com 3"), {}, {ProductClass::A, {}}, 150, at.addDays(2));
        QVERIFY(store.beginObservation(observation).succeeded());
        observationId = observation.id;
        for (int n = 0; n < 3; ++n)
            QVERIFY(store
                        .addSample(observation.id, n,
                                   observedSample(n * 8.0, judged(kPassingReply, ProductClass::A,
                                                                  at.addDays(2).addSecs(n * 8))))
                        .succeeded());
    }
};

QByteArray headerOf(const Reply& reply, const QByteArray& wanted)
{
    for (const auto& [name, value] : reply.headers)
        if (name == wanted)
            return value;
    return {};
}

Reply ask(Site& site, const QByteArray& method, const QString& pathAndQuery,
          const QByteArray& authorization = {}, const QByteArray& cookie = {},
          const QByteArray& body = {})
{
    Request request = get(pathAndQuery.section('?', 0, 0), pathAndQuery.section('?', 1));
    request.method = method;
    request.authorization = authorization;
    request.cookie = cookie;
    request.body = body;
    return site.answer(request);
}

// Logs in with `token`; the session's cookie ("iec1000_session=...").
QByteArray logIn(Site& site, const QByteArray& token)
{
    return headerOf(ask(site, "POST", "/login", {}, {}, "token=" + token), "Set-Cookie")
        .split(';')
        .first();
}

} // namespace

class WebTest : public QObject
{
    Q_OBJECT

private slots:
    void storedTextIsText_data();
    void storedTextIsText();
    void filterToSql_data();
    void filterToSql();
    void filterFromUrl_data();
    void filterFromUrl();
    void routes_data();
    void routes();
    void jsonIsTheCommandLines();
    void hostileRecordRendersAsText();
    void closestOrderIsAJudgedOne();
    void historyPagesAndFilters();
    void historyMarksSimulatedRecords();
    void percentRoundedAsInTheText();
    void token_data();
    void token();
    void runningObservation_data();
    void runningObservation();
    void noStoreFailsAndNothingIsMade();
    void frontCutsLateAndLargeRequests();
    void frontServesManyAtOnce();
    void frontWaitsAtItsLimit();
    void serveCommandRefuses_data();
    void serveCommandRefuses();
    void loginLeadsToThePageAskedFor();
    void sessionsAreRandomAndEnd();
    void wrongTokensAreThrottled();
    void tokenFile_data();
    void tokenFile();
    void servedOverTheWire_data();
    void servedOverTheWire();
    void servedKeepsServingBesideAHog();
    void analyzedRecordingIsServed();
};

void WebTest::storedTextIsText_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("html");
    QTest::newRow("script") << "<script>alert(1)</script>"
                            << "&lt;script&gt;alert(1)&lt;/script&gt;";
    QTest::newRow("attribute break") << "\" onmouseover='x'"
                                     << "&quot; onmouseover=&#39;x&#39;";
    QTest::newRow("entity") << "&amp;"
                            << "&amp;amp;";
    QTest::newRow("bidi override") << QStringLiteral("abc\u202Eexe") << "abc\\u202eexe";
    QTest::newRow("line end and escape") << "a\r\n\x1b[2J"
                                         << "a\\r\\n\\x1b[2J";
    QTest::newRow("javascript url") << "javascript:alert(1)"
                                    << "javascript:alert(1)";
}

void WebTest::storedTextIsText()
{
    QFETCH(QString, stored);
    QFETCH(QString, html);
    QCOMPARE(text(stored), html);
}

void WebTest::filterToSql_data()
{
    QTest::addColumn<HistoryQuery>("query");
    QTest::addColumn<int>("schemaVersion");
    QTest::addColumn<QString>("where");
    QTest::addColumn<QVariantList>("values");
    HistoryQuery all;
    QTest::newRow("nothing") << all << 4 << QString() << QVariantList{};
    HistoryQuery text;
    text.text = QStringLiteral("50%_Ä\\");
    QTest::newRow("text, wildcards taken literally")
        << text << 4 << " WHERE search LIKE ? ESCAPE '\\'"
        << QVariantList{QStringLiteral("%50\\%\\_ä\\\\%")};
    QTest::newRow("text in a version 1 store")
        << text << 1
        << " WHERE (lower(verdict) LIKE ? ESCAPE '\\' OR lower(product_class) LIKE ? ESCAPE '\\')"
        << QVariantList{QStringLiteral("%50\\%\\_ä\\\\%"), QStringLiteral("%50\\%\\_ä\\\\%")};
    HistoryQuery narrow;
    narrow.verdict = QStringLiteral("Fail");
    narrow.productClass = QStringLiteral("D");
    narrow.kind = QStringLiteral("observation");
    narrow.from = QDateTime::fromMSecsSinceEpoch(1000, Qt::UTC);
    narrow.until = QDateTime::fromMSecsSinceEpoch(2000, Qt::UTC);
    QTest::newRow("verdict, class, kind, range")
        << narrow << 4
        << " WHERE verdict = ? AND product_class = ? AND kind = ? AND measured_ms >= ? AND "
           "measured_ms < ?"
        << QVariantList{QStringLiteral("Fail"), QStringLiteral("D"), QStringLiteral("observation"),
                        qint64(1000), qint64(2000)};
    HistoryQuery observations;
    observations.kind = QStringLiteral("observation");
    QTest::newRow("observations in a store before them")
        << observations << 3 << " WHERE 1 = 0" << QVariantList{};
    HistoryQuery measurements;
    measurements.kind = QStringLiteral("measurement");
    QTest::newRow("measurements in a store before observations")
        << measurements << 3 << QString() << QVariantList{};
}

void WebTest::filterToSql()
{
    QFETCH(HistoryQuery, query);
    QFETCH(int, schemaVersion);
    QFETCH(QString, where);
    QFETCH(QVariantList, values);
    const HistoryCondition condition = historyCondition(query, schemaVersion);
    QCOMPARE(condition.where, where);
    QCOMPARE(condition.values, values);
}

void WebTest::filterFromUrl_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<bool>("taken");
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("offset");
    QTest::newRow("none") << "" << true << 1 << 0;
    QTest::newRow("all of them") << "q=mixer&verdict=Fail&class=D&kind=measurement&from=2026-12-01"
                                    "&to=2026-12-31&page=3"
                                 << true << 3 << 100;
    QTest::newRow("unknown verdict") << "verdict=Great" << false << 0 << 0;
    QTest::newRow("class E") << "class=E" << false << 0 << 0;
    QTest::newRow("kind") << "kind=cycle" << false << 0 << 0;
    QTest::newRow("date form") << "from=7.12.2026" << false << 0 << 0;
    QTest::newRow("no such day") << "to=2026-02-30" << false << 0 << 0;
    QTest::newRow("page 0") << "page=0" << false << 0 << 0;
    QTest::newRow("page text") << "page=x" << false << 0 << 0;
    QTest::newRow("long text") << "q=" + QString(201, QLatin1Char('a')) << false << 0 << 0;
}

void WebTest::filterFromUrl()
{
    QFETCH(QString, query);
    QFETCH(bool, taken);
    QFETCH(int, page);
    QFETCH(int, offset);
    int shown = 0;
    QString error;
    const std::optional<HistoryQuery> read = historyQueryOf(QUrlQuery(query), &shown, &error);
    QCOMPARE(read.has_value(), taken);
    QCOMPARE(error.isEmpty(), taken);
    if (!taken)
        return;
    QCOMPARE(shown, page);
    QCOMPARE(read->offset, offset);
    QCOMPARE(read->limit, kHistoryPageSize + 1);
}

void WebTest::routes_data()
{
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("type");
    QTest::newRow("history") << QByteArray("GET") << "/" << 200 << QByteArray("text/html");
    QTest::newRow("history json") << QByteArray("GET") << "/api/records" << 200
                                  << QByteArray("application/json");
    QTest::newRow("measurement") << QByteArray("GET") << "/records/1" << 200
                                 << QByteArray("text/html");
    QTest::newRow("observation") << QByteArray("GET") << "/records/3" << 200
                                 << QByteArray("text/html");
    QTest::newRow("record json") << QByteArray("GET") << "/api/records/2" << 200
                                 << QByteArray("application/json");
    QTest::newRow("csv report") << QByteArray("GET") << "/records/1/report.csv" << 200
                                << QByteArray("text/csv");
    QTest::newRow("observation csv")
        << QByteArray("GET") << "/records/3/report.csv" << 200 << QByteArray("text/csv");
    QTest::newRow("style") << QByteArray("GET") << "/static/style.css" << 200
                           << QByteArray("text/css");
    QTest::newRow("script") << QByteArray("GET") << "/static/live.js" << 200
                            << QByteArray("text/javascript");
    QTest::newRow("no such record")
        << QByteArray("GET") << "/records/999" << 404 << QByteArray("text/html");
    QTest::newRow("id not a number")
        << QByteArray("GET") << "/records/1x" << 400 << QByteArray("text/html");
    QTest::newRow("id zero") << QByteArray("GET") << "/records/0" << 400 << QByteArray("text/html");
    QTest::newRow("id too long") << QByteArray("GET") << "/records/99999999999999999999" << 400
                                 << QByteArray("text/html");
    QTest::newRow("path climbing")
        << QByteArray("GET") << "/records/../../etc/passwd" << 404 << QByteArray("text/html");
    QTest::newRow("no such report")
        << QByteArray("GET") << "/records/1/report.exe" << 404 << QByteArray("text/html");
    QTest::newRow("no such page") << QByteArray("GET") << "/admin" << 404
                                  << QByteArray("text/html");
    QTest::newRow("no such static")
        << QByteArray("GET") << "/static/other.js" << 404 << QByteArray("text/html");
    QTest::newRow("bad filter") << QByteArray("GET") << "/?class=Z" << 400
                                << QByteArray("text/html");
    QTest::newRow("write") << QByteArray("POST") << "/records/1" << 405 << QByteArray("text/html");
    QTest::newRow("delete") << QByteArray("OTHER") << "/" << 405 << QByteArray("text/html");
    QTest::newRow("write a static file")
        << QByteArray("POST") << "/static/style.css" << 405 << QByteArray("text/html");
    QTest::newRow("delete the icon")
        << QByteArray("OTHER") << "/favicon.ico" << 405 << QByteArray("text/html");
}

void WebTest::routes()
{
    QFETCH(QByteArray, method);
    QFETCH(QString, path);
    QFETCH(int, status);
    QFETCH(QByteArray, type);
    Store store;
    Site site(store.name, Access());
    QVERIFY(site.open().isEmpty());
    const Reply reply = ask(site, method, path);
    QCOMPARE(reply.status, status);
    QVERIFY2(reply.contentType.startsWith(type), reply.contentType);
    QVERIFY(!reply.body.isEmpty());
}

void WebTest::jsonIsTheCommandLines()
{
    Store store;
    Site site(store.name, Access());
    RecordStore records;
    QVERIFY(records.open(store.name, StoreAccess::Read).succeeded());
    const auto document = [](const auto& json) {
        return QJsonDocument(json).toJson(QJsonDocument::Indented);
    };
    QCOMPARE(site.answer(get("/api/records")).body, document(historyJson(records.history(0))));
    QCOMPARE(site.answer(get("/api/records", "class=D")).body,
             document(historyJson(records.history(0, "\x1f"
                                                     "d"))));
    QCOMPARE(site.answer(get("/api/records/1")).body, document(recordJson(*records.record(1))));
    QCOMPARE(site.answer(get("/records/2/report.json")).body,
             document(recordJson(*records.record(2))));
    QCOMPARE(site.answer(get("/api/records/3")).body,
             document(observationJson(*records.observation(3))));
    const Reply pdf = site.answer(get("/records/1/report.pdf"));
    QCOMPARE(pdf.status, 200);
    QVERIFY(pdf.body.startsWith("%PDF-"));
    QVERIFY(pdf.headers.contains(qMakePair(QByteArray("Content-Disposition"),
                                           QByteArray("attachment; filename=\"record-1.pdf\""))));
}

void WebTest::hostileRecordRendersAsText()
{
    Store store;
    Site site(store.name, Access());
    for (const QString& path : {QStringLiteral("/"), QStringLiteral("/records/2")}) {
        const QString page = QString::fromUtf8(site.answer(get(path)).body);
        QVERIFY2(page.contains("&lt;script&gt;alert(1)&lt;/script&gt;\\u202egpj.exe"),
                 qPrintable(path));
        QVERIFY(!page.contains("<script>alert"));
        QVERIFY(!page.contains(QChar(0x202E)));
    }
    const QString page = QString::fromUtf8(site.answer(get("/records/2")).body);
    QVERIFY(page.contains("&quot;&gt;&lt;img src=x onerror=alert(2)&gt;"));
    QVERIFY(!page.contains("<img"));
    // The failing order in the window's colour.
    QVERIFY(page.contains("<td class=\"state-fail\">fail</td>"));
    QVERIFY(page.contains("class=\"verdict verdict-fail\""));
}

void WebTest::closestOrderIsAJudgedOne()
{
    // The passing reply's 19th, 5.2 mA of 118.4 mA, is the judged order
    // closest to its limit; the not-tested 35th (3.5 mA of 64.28 mA) is a
    // larger share of its limit, but never counts.
    Store store;
    Site site(store.name, Access());
    for (const QString& path : {QStringLiteral("/records/1"), QStringLiteral("/records/3")}) {
        const QString page = QString::fromUtf8(site.answer(get(path)).body);
        QVERIFY2(page.contains("order 19, 4.4 % of its limit"), qPrintable(path));
    }
}

void WebTest::historyMarksSimulatedRecords()
{
    RecordSummary simulated;
    simulated.port = QStringLiteral("Com 1");
    simulated.simulated = true;
    QVERIFY(historyPage({simulated}, QUrlQuery(), 1, false).contains("<td>Com 1 (simulated)</td>"));
}

// The page rounds the JSON's whole number once, as the text output does:
// 31.451 % reads 31.5 %.
void WebTest::percentRoundedAsInTheText()
{
    MeasurementRecord record = newRecord(
        judged(kPassingReply, ProductClass::A, QDateTime(QDate(2026, 12, 7), QTime(16, 10))),
        QStringLiteral("Com 1"), {});
    CycleResult& r = record.result;
    const std::size_t fifth = 3;
    QCOMPARE(r.judgement.states[fifth], CellState::Pass);
    r.reply.harmonics[fifth] = r.judgement.currents[fifth] = QStringLiteral("31.451");
    r.judgement.limits[fifth] = QStringLiteral("100.00mA");
    const QString page = measurementPage(record);
    QVERIFY2(page.contains("<td>31.451</td><td>31.5 %</td>"), qPrintable(page));
}

void WebTest::historyPagesAndFilters()
{
    QTemporaryDir dir;
    const QString name = dir.filePath("many.sqlite");
    {
        RecordStore store;
        QVERIFY(store.open(name).succeeded());
        for (int n = 0; n < 120; ++n) {
            MeasurementRecord m =
                newRecord(judged(n % 3 ? kPassingReply : failingReply(), ProductClass::A,
                                 QDateTime(QDate(2026, 1, 1), QTime(12, 0)).addDays(n)),
                          {}, {});
            m.product.serial = QStringLiteral("SN%1").arg(n);
            QVERIFY(store.add(m).succeeded());
        }
    }
    Site site(name, Access());
    const auto ids = [&](const QString& query) {
        const QJsonArray rows =
            QJsonDocument::fromJson(site.answer(get("/api/records", query)).body).array();
        QList<qint64> found;
        for (const QJsonValue& row : rows)
            found << row.toObject().value("id").toInteger();
        return found;
    };
    QCOMPARE(ids("").size(), kHistoryPageSize);
    QCOMPARE(ids("").first(), 120);
    QCOMPARE(ids("page=3").size(), 20);
    QCOMPARE(ids("page=3").first(), 20);
    QCOMPARE(ids("page=4").size(), 0);
    QCOMPARE(ids("q=sn11"), (QList<qint64>{120, 119, 118, 117, 116, 115, 114, 113, 112, 111, 12}));
    QCOMPARE(ids("verdict=Fail").size(), 40);
    QCOMPARE(ids("from=2026-01-02&to=2026-01-03"), (QList<qint64>{3, 2}));
    QCOMPARE(ids("kind=observation").size(), 0);
    // The links to the next and previous page keep the filter.
    const QString first = QString::fromUtf8(site.answer(get("/", "kind=measurement")).body);
    QVERIFY(first.contains("id=\"page-next\" href=\"/?kind=measurement&amp;page=2\">"));
    QVERIFY(!first.contains("page-previous"));
    const QString last = QString::fromUtf8(site.answer(get("/", "kind=measurement&page=3")).body);
    QVERIFY(last.contains("id=\"page-previous\" href=\"/?kind=measurement&amp;page=2\""));
    QVERIFY(!last.contains("page-next"));
}

void WebTest::token_data()
{
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("authorization");
    QTest::addColumn<QByteArray>("cookie");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("delayed");
    const auto row = [](const char* name, const QByteArray& method, const QString& path,
                        const QByteArray& authorization, const QByteArray& cookie,
                        const QByteArray& body, int status, bool delayed) {
        QTest::newRow(name) << method << path << authorization << cookie << body << status
                            << delayed;
    };
    row("nothing shown", "GET", "/", {}, {}, {}, 401, false);
    row("bearer", "GET", "/api/records", "Bearer s3cret", {}, {}, 200, false);
    row("bearer in lower case", "GET", "/api/records", "bearer  s3cret", {}, {}, 200, false);
    row("nothing shown to the JSON", "GET", "/api/records/1", {}, {}, {}, 401, false);
    row("wrong bearer", "GET", "/api/records", "Bearer s3cre", {}, {}, 401, true);
    row("basic", "GET", "/", "Basic czNjcmV0", {}, {}, 401, true);
    row("session cookie", "GET", "/records/1", {}, "theme=x; SESSION", {}, 200, false);
    row("the token as cookie", "GET", "/", {}, "iec1000_session=s3cret", {}, 401, true);
    row("login page", "GET", "/login", {}, {}, {}, 200, false);
    row("login", "POST", "/login", {}, {}, "token=s3cret", 303, false);
    row("wrong login", "POST", "/login", {}, {}, "token=secret", 401, true);
    row("style without token", "GET", "/static/style.css", {}, {}, {}, 200, false);
}

void WebTest::token()
{
    QFETCH(QByteArray, method);
    QFETCH(QString, path);
    QFETCH(QByteArray, authorization);
    QFETCH(QByteArray, cookie);
    QFETCH(QByteArray, body);
    QFETCH(int, status);
    QFETCH(bool, delayed);
    Store store;
    Site site(store.name, Access("s3cret"));
    const Reply reply = ask(site, method, path, authorization,
                            cookie.replace("SESSION", logIn(site, "s3cret")), body);
    QCOMPARE(reply.status, status);
    QCOMPARE(reply.delayed, delayed);
    if (status == 401)
        QCOMPARE(reply.contentType == "application/json", path.startsWith("/api/"));
    if (status == 303) {
        const QByteArray setCookie = headerOf(reply, "Set-Cookie");
        QVERIFY(setCookie.contains("; HttpOnly"));
        QVERIFY(setCookie.contains("; SameSite=Strict"));
        QVERIFY(!setCookie.contains("s3cret"));
    }
}

void WebTest::runningObservation_data()
{
    QTest::addColumn<int>("secondsAfterLastSample");
    QTest::addColumn<bool>("running");
    QTest::newRow("a sample just now") << 5 << true;
    QTest::newRow("quiet for long") << kRunningQuietS + 5 << false;
}

void WebTest::runningObservation()
{
    QFETCH(int, secondsAfterLastSample);
    QFETCH(bool, running);
    Store store;
    Site site(store.name, Access());
    const QDateTime last =
        QDateTime(QDate(2026, 12, 9), QTime(16, 10, 38), QTimeZone(3600)).addSecs(16);
    site.setClock([&] { return last.addSecs(secondsAfterLastSample); });
    const QString page = QString::fromUtf8(site.answer(get("/records/3")).body);
    QCOMPARE(page.contains("<script src=\"/static/live.js\"></script>"), running);
    QCOMPARE(page.contains("id=\"verdict\">running<"), running);
    QVERIFY(page.contains("data-samples=\"3\""));
}

void WebTest::noStoreFailsAndNothingIsMade()
{
    QTemporaryDir dir;
    const QString name = dir.filePath("none/records.sqlite");
    Site site(name, Access());
    QVERIFY(!site.open().isEmpty());
    QStringList logged;
    site.setLog([&](const QString& line) { logged << line; });
    QCOMPARE(site.answer(get("/")).status, 503);
    QVERIFY(!logged.isEmpty());
    QVERIFY(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

namespace {

// Sends `request` to the front and reads until it closes; the reply.
QByteArray exchange(quint16 port, const QByteArray& request, int waitMs = 5000,
                    const QHostAddress& from = {})
{
    QTcpSocket socket;
    if (!from.isNull() && !socket.bind(from))
        return {};
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(waitMs))
        return {};
    socket.write(request);
    QByteArray reply;
    QElapsedTimer timer;
    timer.start();
    while (socket.state() == QAbstractSocket::ConnectedState && timer.elapsed() < waitMs) {
        socket.waitForReadyRead(50);
        reply += socket.readAll();
    }
    return reply + socket.readAll();
}

} // namespace

void WebTest::frontCutsLateAndLargeRequests()
{
    FrontLimits limits;
    limits.requestDeadline = std::chrono::milliseconds(300);
    limits.requestBytes = 2048;
    HttpFront front([](const Request&) { return Reply{200, "text/plain", "ok"}; }, limits);
    QString error;
    QVERIFY2(front.listenOn(QHostAddress::LocalHost, 0, &error), qPrintable(error));
    QByteArray reply;
    std::thread([&] {
        reply = exchange(front.port(), "GET / HTTP/1.1\r\nHost: x\r\n\r\n");
    }).detach();
    QTRY_VERIFY(reply.startsWith("HTTP/1.1 200 OK\r\n"));
    QVERIFY(reply.contains("\r\nX-Content-Type-Options: nosniff\r\n"));
    QVERIFY(reply.contains("script-src 'self';"));
    QVERIFY(!reply.contains("Access-Control"));
    QVERIFY(reply.endsWith("\r\n\r\nok"));

    QByteArray late;
    QElapsedTimer taken;
    taken.start();
    std::thread([&] { late = exchange(front.port(), "GET / HTTP/1.1\r\nHost: x\r\n"); }).detach();
    QTRY_VERIFY(late.startsWith("HTTP/1.1 408 "));
    QVERIFY(taken.elapsed() < 3000);

    QByteArray large;
    std::thread([&] {
        large = exchange(front.port(), "POST /login HTTP/1.1\r\nHost: x\r\nContent-Length: 100000"
                                       "\r\n\r\n" +
                                           QByteArray(100000, 'a'));
    }).detach();
    QTRY_VERIFY(large.startsWith("HTTP/1.1 413 "));
}

void WebTest::frontServesManyAtOnce()
{
    // As many clients as there are connections, on one address here.
    constexpr int kClients = 100;
    FrontLimits limits;
    limits.connectionsPerClient = kClients;
    HttpFront front(
        [](const Request& r) {
            return Reply{200, "text/plain", r.path.toUtf8()};
        },
        limits);
    QString error;
    QVERIFY(front.listenOn(QHostAddress::LocalHost, 0, &error));
    std::vector<std::unique_ptr<QTcpSocket>> clients;
    for (int n = 0; n < kClients; ++n) {
        clients.push_back(std::make_unique<QTcpSocket>());
        clients.back()->connectToHost(QHostAddress::LocalHost, front.port());
    }
    for (int n = 0; n < kClients; ++n) {
        QTRY_VERIFY(clients[std::size_t(n)]->state() == QAbstractSocket::ConnectedState);
        clients[std::size_t(n)]->write(
            QStringLiteral("GET /c%1 HTTP/1.1\r\nHost: x\r\n\r\n").arg(n).toLatin1());
    }
    std::vector<QByteArray> replies(kClients);
    const auto allAnswered = [&] {
        bool all = true;
        for (int n = 0; n < kClients; ++n) {
            replies[std::size_t(n)] += clients[std::size_t(n)]->readAll();
            all = all && replies[std::size_t(n)].endsWith(QStringLiteral("/c%1").arg(n).toLatin1());
        }
        return all;
    };
    QTRY_VERIFY_WITH_TIMEOUT(allAnswered(), 20000);
}

void WebTest::frontWaitsAtItsLimit()
{
    FrontLimits limits;
    limits.connections = 2;
    HttpFront front([](const Request&) { return Reply{200, "text/plain", "ok"}; }, limits);
    QString error;
    QVERIFY(front.listenOn(QHostAddress::LocalHost, 0, &error));
    std::vector<std::unique_ptr<QTcpSocket>> held;
    for (const char* from : {"127.0.0.2", "127.0.0.3", "127.0.0.4"}) {
        held.push_back(std::make_unique<QTcpSocket>());
        QVERIFY(held.back()->bind(QHostAddress(QString::fromLatin1(from))));
        held.back()->connectToHost(QHostAddress::LocalHost, front.port());
        QTRY_VERIFY(held.back()->state() == QAbstractSocket::ConnectedState);
        // Taken by the server.
        QTest::qWait(100);
    }
    QTcpSocket& third = *held.back();
    third.write("GET / HTTP/1.1\r\nHost: x\r\n\r\n");
    // Untaken, not reset, while two are held.
    QTest::qWait(300);
    QCOMPARE(third.state(), QAbstractSocket::ConnectedState);
    QVERIFY(third.readAll().isEmpty());
    held.front()->abort();
    QByteArray reply;
    QTRY_VERIFY((reply += third.readAll()).endsWith("\r\n\r\nok"));
}

void WebTest::serveCommandRefuses_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said");
    QTest::newRow("all interfaces without a token")
        << QStringList{"--listen", "0.0.0.0:0"} << 64 << "needs --token-file";
    QTest::newRow("a lab address without a token")
        << QStringList{"--listen", "192.0.2.7:8088"} << 64 << "needs --token-file";
    QTest::newRow("no such host form") << QStringList{"--listen", "bench-3"} << 64 << "HOST:PORT";
    QTest::newRow("IPv6 without a port") << QStringList{"--listen", "[::1]"} << 64 << "no port";
    QTest::newRow("IPv6 without brackets") << QStringList{"--listen", "::1"} << 64 << "brackets";
    QTest::newRow("an empty token file")
        << QStringList{"--token-file", "/dev/null"} << 64 << "not a regular file";
    QTest::newRow("no store") << QStringList{} << 4 << "there is no such file";
}

void WebTest::serveCommandRefuses()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    const QString program = qEnvironmentVariable("IEC1000_BIN");
    if (program.isEmpty())
        QSKIP("IEC1000_BIN is not set");
    QTemporaryDir dir;
    const QString store = dir.filePath("absent.sqlite");
    QProcess serve;
    serve.start(program, QStringList{"serve", "--db", store} + arguments);
    QVERIFY(serve.waitForFinished(20000));
    QCOMPARE(serve.exitCode(), exitCode);
    const QString stderrText = QString::fromLocal8Bit(serve.readAllStandardError());
    QVERIFY2(stderrText.contains(said), qPrintable(stderrText));
    QVERIFY(stderrText.trimmed().count(QLatin1Char('\n')) <= 1);
    QVERIFY(!QFile::exists(store));
}

void WebTest::loginLeadsToThePageAskedFor()
{
    Store store;
    Site site(store.name, Access("s3cret"));
    const QByteArray page = site.answer(get("/records/3", "samples=2")).body;
    QVERIFY(page.contains("name=\"next\" value=\"/records/3?samples=2\""));
    const auto landing = [&](const QByteArray& next) {
        return headerOf(ask(site, "POST", "/login", {}, {}, "token=s3cret&next=" + next),
                        "Location");
    };
    QCOMPARE(landing("%2Frecords%2F3%3Fsamples%3D2"), QByteArray("/records/3?samples=2"));
    QCOMPARE(landing("%2F%2Fevil.example%2F"), QByteArray("/"));
}

void WebTest::sessionsAreRandomAndEnd()
{
    Store store;
    Site site(store.name, Access("s3cret"));
    Site other(store.name, Access("s3cret"));
    auto now = std::chrono::steady_clock::now();
    site.access().setClock([&] { return now; });
    const QByteArray first = logIn(site, "s3cret");
    const QByteArray second = logIn(site, "s3cret");
    QVERIFY(first.startsWith("iec1000_session=") && first != second);
    QVERIFY(ask(site, "GET", "/", {}, first).body.contains("action=\"/logout\""));
    QCOMPARE(ask(other, "GET", "/", {}, first).status, 401);
    QVERIFY(headerOf(ask(site, "POST", "/logout", {}, first), "Set-Cookie").contains("Max-Age=0"));
    QCOMPARE(ask(site, "GET", "/", {}, first).status, 401);
    QCOMPARE(ask(site, "GET", "/", {}, second).status, 200);
    now += kSessionLifetime;
    QCOMPARE(ask(site, "GET", "/", {}, second).status, 401);
}

void WebTest::wrongTokensAreThrottled()
{
    Store store;
    Site site(store.name, Access("s3cret"));
    auto now = std::chrono::steady_clock::now();
    site.access().setClock([&] { return now; });
    const QByteArray session = logIn(site, "s3cret");
    const auto status = [&](const QByteArray& authorization, const QByteArray& cookie = {}) {
        return ask(site, "GET", "/api/records", authorization, cookie).status;
    };
    for (int n = 0; n < kWrongTokensPerSecond; ++n)
        QCOMPARE(status("Bearer guess" + QByteArray::number(n)), 401);
    QCOMPARE(status("Bearer s3cret"), 429);
    QCOMPARE(logIn(site, "s3cret"), QByteArray());
    // A visitor logged in before is not locked out.
    QCOMPARE(status({}, session), 200);
    now += std::chrono::seconds(1);
    QCOMPARE(status("Bearer s3cret"), 200);
}

void WebTest::tokenFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("said");
    QTest::newRow("owner's alone") << QByteArray("0123456789abcdef\n") << 0600 << QString();
    QTest::newRow("read by others") << QByteArray("0123456789abcdef") << 0644 << "by others";
    QTest::newRow("short") << QByteArray("0123456789abcde") << 0600 << "at least 16";
    QTest::newRow("too long") << QByteArray(kTokenMaximum + 1, 'a') << 0600 << "longer than";
    QTest::newRow("NULs") << QByteArray(40, '\0') << 0600 << "control character";
    QTest::newRow("FIFO") << QByteArray() << -1 << "not a regular file";
}

void WebTest::tokenFile()
{
    QFETCH(QByteArray, content);
    QFETCH(int, mode);
    QFETCH(QString, said);
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath("token"));
    QFile file(QString::fromLocal8Bit(path));
    QVERIFY(mode < 0 ? ::mkfifo(path, 0600) == 0 : file.open(QIODevice::WriteOnly));
    if (mode >= 0)
        file.write(content);
    file.close();
    QVERIFY(mode < 0 || ::chmod(path, mode_t(mode)) == 0);
    QString error;
    QString warning;
    const QByteArray token = readTokenFile(file.fileName(), &error, &warning);
    QCOMPARE(token.isEmpty(), !error.isEmpty());
    QCOMPARE(token, error.isEmpty() ? content.trimmed() : QByteArray());
    QCOMPARE(warning.isEmpty(), mode != 0644);
    QVERIFY2((error + warning).contains(said), qPrintable(error + warning));
}

namespace {

// `iec1000 serve` over `store` on a free port of the loopback, until
// destroyed.
class Served
{
public:
    explicit Served(const QString& store)
    {
        m_process.setReadChannel(QProcess::StandardError);
        m_process.start(qEnvironmentVariable("IEC1000_BIN"),
                        {"serve", "--db", store, "--listen", "127.0.0.1:0"});
        static const QRegularExpression address(QStringLiteral("http://127\\.0\\.0\\.1:(\\d+)/"));
        QElapsedTimer timer;
        timer.start();
        while (port == 0 && timer.elapsed() < 20000) {
            m_process.waitForReadyRead(200);
            port = quint16(address.match(said()).captured(1).toUInt());
        }
    }
    ~Served()
    {
        m_process.terminate();
        m_process.waitForFinished(10000);
    }
    // What it said on standard error so far.
    QString said() { return m_said += QString::fromLocal8Bit(m_process.readAllStandardError()); }

    quint16 port = 0;

private:
    QProcess m_process;
    QString m_said;
};

} // namespace

void WebTest::servedOverTheWire_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QByteArray>("host");
    QTest::addColumn<QByteArray>("status");
    const auto row = [](const char* name, const QByteArray& head, const QByteArray& host,
                        const QByteArray& status) {
        QTest::newRow(name) << head << host << status;
    };
    const QByteArray get = "GET /records/1 HTTP/1.1\r\n";
    const QByteArray local = "127.0.0.1:PORT";
    const QByteArray misdirected = "421 Misdirected Request";
    row("localhost", get, "LocalHost:PORT", "200 OK");
    row("IPv6 loopback", get, "[::1]:PORT", "200 OK");
    row("a name that re-resolves", get, "rebind.example:PORT", misdirected);
    row("another port", get, "127.0.0.1:1", misdirected);
    row("no host", get, {}, misdirected);
    row("head", "HEAD /records/1 HTTP/1.1\r\n", local, "200 OK");
    row("upgrade",
        get + "Connection: Upgrade\r\nUpgrade: websocket\r\nSec-WebSocket-Version: 13\r\n"
              "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n",
        local, "200 OK");
    row("HTTP/0.9", "GET /\r\n", {}, "400 Bad Request");
    row("no request line", "hello\r\n", {}, "400 Bad Request");
}

void WebTest::servedOverTheWire()
{
    QFETCH(QByteArray, head);
    QFETCH(QByteArray, host);
    QFETCH(QByteArray, status);
    if (qEnvironmentVariableIsEmpty("IEC1000_BIN"))
        QSKIP("IEC1000_BIN is not set");
    Store store;
    Served served(store.name);
    QVERIFY(served.port != 0);
    const QString before = served.said();
    host.replace("PORT", QByteArray::number(served.port));
    const QByteArray reply =
        exchange(served.port, head + (host.isEmpty() ? "" : "Host: " + host + "\r\n") + "\r\n");
    QVERIFY2(reply.startsWith("HTTP/1.1 " + status + "\r\n"), reply);
    // One reply.
    QVERIFY(!reply.contains("\nHTTP/1"));
    const bool isHead = head.startsWith("HEAD");
    QCOMPARE(reply.contains("Hand mixer"), status == "200 OK" && !isHead);
    if (isHead)
        QVERIFY(!reply.contains("Content-Length: 0\r\n") && reply.endsWith("\r\n\r\n"));
    // Nothing a client sends is written to the log.
    QTest::qWait(200);
    QCOMPARE(served.said(), before);
}

void WebTest::servedKeepsServingBesideAHog()
{
    if (qEnvironmentVariableIsEmpty("IEC1000_BIN"))
        QSKIP("IEC1000_BIN is not set");
    Store store;
    Served served(store.name);
    QVERIFY(served.port != 0);
    std::vector<std::unique_ptr<QTcpSocket>> hog;
    for (int n = 0; n < 600; ++n) {
        hog.push_back(std::make_unique<QTcpSocket>());
        hog.back()->connectToHost(QHostAddress::LocalHost, served.port);
        QVERIFY(hog.back()->waitForConnected(5000));
    }
    const auto stillOpen = [&] {
        return std::count_if(hog.begin(), hog.end(), [](const auto& socket) {
            socket->readAll();
            return socket->state() != QAbstractSocket::UnconnectedState;
        });
    };
    // The excess is closed, not reset: each gets its 503 first.
    QTRY_COMPARE_WITH_TIMEOUT(stillOpen(), FrontLimits{}.connectionsPerClient, 8000);
    const QByteArray reply =
        exchange(served.port,
                 "GET /records/1 HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(served.port) +
                     "\r\n\r\n",
                 5000, QHostAddress(QStringLiteral("127.0.0.2")));
    QVERIFY2(reply.startsWith("HTTP/1.1 200 OK\r\n") && reply.contains("Hand mixer"), reply);
}

// A recording judged by `iec1000 analyze` is shown by `iec1000 serve` as a
// waveform record with its worst window.
void WebTest::analyzedRecordingIsServed()
{
    if (qEnvironmentVariableIsEmpty("IEC1000_BIN"))
        QSKIP("IEC1000_BIN is not set");
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("fan.csv"));
    {
        // 1 s at 10 kHz: 230 V, 1 A at 50 Hz with a 3rd of 0.5 A.
        QFile file(csv);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QByteArray text = "time,voltage,current\n";
        for (int n = 0; n < 10000; ++n) {
            const double w = 2 * M_PI * 50 * n / 10000.0;
            text += QByteArray::number(n / 10000.0, 'f', 6) + ',' +
                    QByteArray::number(230 * M_SQRT2 * std::sin(w), 'f', 4) + ',' +
                    QByteArray::number(M_SQRT2 * (std::sin(w) + 0.5 * std::sin(3 * w)), 'f', 5) +
                    '\n';
        }
        file.write(text);
    }
    const QString store = dir.filePath(QStringLiteral("records.sqlite"));
    QProcess analyze;
    analyze.start(qEnvironmentVariable("IEC1000_BIN"),
                  {"analyze", "--class", "A", "--db", store, "--product", "Desk fan", csv});
    QVERIFY(analyze.waitForFinished(20000));
    QCOMPARE(analyze.exitCode(), 0);
    Served served(store);
    QVERIFY(served.port != 0);
    const QByteArray page = exchange(
        served.port,
        "GET /records/1 HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(served.port) + "\r\n\r\n");
    QVERIFY2(page.startsWith("HTTP/1.1 200 OK\r\n"), page.left(200));
    for (const char* shown : {"Desk fan", "waveform recording", "fan.csv", "Worst window: "})
        QVERIFY2(page.contains(shown), shown);
}

// A PDF report needs a QGuiApplication.
QTEST_MAIN(WebTest)
#include "tst_web.moc"
